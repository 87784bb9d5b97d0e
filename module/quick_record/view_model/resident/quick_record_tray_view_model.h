#pragma once

#include <cstdint>

#include "host/framework/view_model/stateful_view_model.h"
#include "module/quick_record/model/model_subscriptions.h"

namespace quick_record {

// The tray icon: its texts, a red dot while notices wait, the way to the recorder, and an exit
// that is refused while a recording runs. Main thread.
class QuickRecordTrayViewModel : public framework::StatefulViewModel {
 public:
  // Actions.
  static constexpr int kActionOpenRecorder = 1;
  static constexpr int kActionExit = 2;
  // Properties.
  static constexpr int32_t kPropertyTrayUi = 1;  // the three tray fields below
  static constexpr int32_t kPropertyRedDot = 2;  // {"show_reddot": bool}
  static constexpr int32_t kPropertyExit = 3;    // {"quit": true} when the application may leave
  static constexpr char kExitText[] = "QuickRecordTrayInitTrayUiFields_kStringExitText";
  static constexpr char kHoverText[] = "QuickRecordTrayInitTrayUiFields_kStringHoverText";
  static constexpr char kShouldShowTray[] = "QuickRecordTrayInitTrayUiFields_kBooleanShouldShowTray";
  static constexpr char kRecorderPage[] = "kovani://page/quick_record/select_setting";
  // The message model's notice list, {"notices": [...]}, as it announces it.
  static constexpr int32_t kNoticeListUpdatedEvent = 0x2e1c6f3a;

  QuickRecordTrayViewModel();

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  void OnQuickRecordNoticeListUpdate(const base::variant::Variant& payload);
  void HandleClickTrayExit();
  bool show_reddot() const { return show_reddot_; }

 private:
  void OpenRecorder();
  void PublishTrayUi();

  bool show_reddot_ = false;
  ModelSubscriptions subscriptions_;
};

}  // namespace quick_record
