#pragma once

#include <cstdint>

#include "host/framework/model/model_impl.h"
#include "module/quick_record/model/model_subscriptions.h"

namespace quick_record {

// Turns the host's global recording shortcuts into recording requests for the pages that drive
// the recorder. Holds no state: it asks the recorder for its state at each press, and treats a
// missing recorder as state -1. A key pressed while one of our windows has the focus (the global
// grab does not see it then) is matched against the same configured shortcuts. Main thread.
class QuickRecordShortcutModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kEventStartRequested = 1141181304;
  static constexpr int32_t kEventStopRequested = 56720847;
  static constexpr int32_t kEventPauseRequested = 454134064;
  static constexpr int32_t kEventResumeRequested = 76587112;
  static constexpr int32_t kNoRecorderState = -1;
  // {"vkey": X keysym, "modifiers": X modifier state, "from_bottom_bar"}: not handled (false) when
  // the key is no recording shortcut. The control bar sends it under the session model's id.
  static constexpr int32_t kInvokeHandleKeyPressed = 0x2aef36fc;

  QuickRecordShortcutModel();

  void Init() override;
  void UnInit() override;

  void OnEventShorcutStartStopRecord(const base::variant::Variant& payload);
  void OnEventShorcutPauseResumeRecord(const base::variant::Variant& payload);

 private:
  static int32_t RecorderState();
  bool HandleKeyPressed(const base::variant::Variant& key);

  ModelSubscriptions subscriptions_;
};

}  // namespace quick_record
