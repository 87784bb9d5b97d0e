#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

// What the control bar knows of the recording and shows of it: its record id, whether it has
// started, whether it is paused (and whether because its window is minimized), and the elapsed
// time. Main thread.
class BottomBarRecordingState {
 public:
  static constexpr int32_t kPropertyDuration = 446425;     // {"over_one_hour", "record_duration"}
  static constexpr int32_t kPropertyPaused = 751408;       // bool
  static constexpr int32_t kPropertyHasRecordId = 578240;  // bool

  using Publish = std::function<void(int32_t property_id, base::variant::Variant value)>;

  explicit BottomBarRecordingState(Publish publish);

  // "59:59" below an hour, "01:00:00" from one hour on: two digits a field.
  static std::string FormatDuration(uint32_t seconds);

  // The session announced the recording ({"record_id"}, when it has one).
  void Started(const base::variant::Variant& payload);
  // Finished or cancelled.
  void Ended() { recording_started_ = false; }
  void SetPaused(bool paused);
  // A resume was refused: the view keeps showing the recording paused.
  void RefuseResume();
  void SetWindowRecordPaused(bool paused) { window_record_paused_ = paused; }
  // The time model's total in ms; anything but an integer is logged and ignored.
  void OnUpdateQuickRecordTotalTime(const base::variant::Variant& payload);
  void PublishDuration();

  const std::string& record_id() const { return record_id_; }
  bool recording_started() const { return recording_started_; }
  bool paused() const { return paused_; }
  bool window_record_paused() const { return window_record_paused_; }
  uint32_t elapsed_seconds() const { return elapsed_seconds_; }

 private:
  const Publish publish_;
  std::string record_id_;
  bool recording_started_ = false;
  bool paused_ = false;
  // The recorded window is minimized: the recording waits for it, whatever the user presses.
  bool window_record_paused_ = false;
  uint32_t elapsed_seconds_ = 0;
};

}  // namespace quick_record
