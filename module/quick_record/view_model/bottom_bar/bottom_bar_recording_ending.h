#pragma once

#include <cstdint>
#include <string>

#include "module/quick_record/view_model/bottom_bar/bottom_bar_models.h"

namespace quick_record {

// The commands that end a recording from the control bar. Finishing completes it, tells the host
// and the tracker, reports its length and opens the ending view; cancelling deletes the record on
// the back end and ends it here. Either way the recorder stops; closing the bar is the caller's.
// Main thread.
class BottomBarRecordingEnding {
 public:
  static constexpr char kEndingRoute[] = "kovani://page/quick_record/record_ending_view";
  static constexpr char kCountDownRoute[] = "kovani://page/quick_record/count_down";
  static constexpr char kCountDownMaskRoute[] = "kovani://page/quick_record/count_down_mask";
  static constexpr char kTrackerRoute[] = "kovani://page/quick_record/tracker";

  // `models` belong to the bar and outlive this object.
  explicit BottomBarRecordingEnding(const BottomBarModels* models);

  // `open_complete_url`: the user asked for the finish, so the record's page opens.
  void HandleCompleteRecord(bool open_complete_url, uint32_t elapsed_seconds);
  // `known_record_id` stands in when the session no longer holds an id.
  void CancelRecording(const std::string& known_record_id);
  // Remembers the microphone choice for the next recording.
  void UpdateLastMicDevice();

 private:
  void ClearQuickRecord();
  void ShowEndingView();
  std::string CurrentRecordId(const std::string& known_record_id) const;
  std::string GetRecordCompleteUrl() const;

  const BottomBarModels* const models_;
};

}  // namespace quick_record
