#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

// What the new-recording page shows besides its notices: the record button (elapsed time, whether
// a recording runs, its texts, whether recording is enabled), the upload of the last recording,
// the count-down, the panels of the mode, the meeting state, the home window's minimize state and
// the selection dialog's texts. It publishes each under the page's property ids
// (QuickRecordViewModel) through `publish`. Main thread.
class QuickRecordPageState {
 public:
  using Publisher = std::function<void(int32_t property_id, const base::variant::Variant& value)>;

  explicit QuickRecordPageState(Publisher publish);

  // The recorder's state: a stopped recording resets the elapsed time.
  void SetRecording(bool recording);
  void SetRecordTime(int64_t elapsed_ms);
  // UpdateRecordStateToUi.
  void PublishRecordState(bool record_enable);
  // HandleUploadingStatusChanged with the upload model's item report.
  void PublishUpload(const base::variant::Variant& item);
  void PublishCountDown(bool running);
  // The screen choice and camera preview of `mode`, shown only beside the settings panel.
  void PublishModePanels(int32_t mode, bool beside_settings);
  void PublishMeeting(bool in_meeting);
  void PublishHomeWindowMinimize(bool minimize);
  void PublishSelectDialog(bool in_meeting, bool start_enable);

  bool recording() const { return recording_; }
  bool count_down_running() const { return count_down_running_; }

 private:
  void PublishPanel(int32_t property_id, bool show);

  const Publisher publish_;
  bool recording_ = false;
  bool count_down_running_ = false;
  // The count-down minimizes the home window itself; that minimize is not the user's.
  bool ignore_next_minimize_ = false;
  std::string record_time_text_ = "00:00";
};

}  // namespace quick_record
