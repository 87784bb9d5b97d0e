#pragma once

#include <string>

#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/view_model/settings/quick_record_record_setting_view_model.h"

namespace quick_record {

// The settings panel of the older new-recording page: the same choices, actions and handlers as
// QuickRecordRecordSettingViewModel under its own property ids, with these differences:
// - a default camera it picks by itself is also remembered as the user's choice;
// - its controls take no input while the user is signed out;
// - the screen choice is off in the camera-only mode;
// - closing the page (the user cancelled the choice) puts back the screen chosen before and
//   closes the camera preview;
// - the selection carries the name to show ("window_name");
// - it does not answer the host's "microphone in use" question, does not move an open preview to
//   a new camera and never pops the preview out.
class QuickRecordOldRecordSettingViewModel : public QuickRecordRecordSettingViewModel {
 public:
  // In the order of PropertyIds; the panel texts go under 447981.
  static constexpr PropertyIds kOldProperties = {447981, 107070, 981603, 612388, 877592, 382295,
                                                 216260, 237039, 890453, 355988, 231175, 445686};
  static constexpr char kCameraUserSelectKey[] = "camera.device.user_select";
  static constexpr int32_t kAuthStateAuthorized = 2;

  explicit QuickRecordOldRecordSettingViewModel(Models models = {});

  void OnViewAttached() override;
  void OnViewDetached() override;

  void OnEventAuthorizeStateUpdate(const base::variant::Variant& payload);
  void OnEventCancelSelectRecordItem(const base::variant::Variant& payload);
  // The name of the selected window ("select_screen_info") as "window_list" gives it, else the
  // name it was chosen with; a screen keeps its own name.
  static std::string GetWindowName(const base::variant::Variant& data);

  bool authorized() const { return authorized_; }

 protected:
  void OnDefaultCameraPicked(const std::string& device_id) override;
  bool SettingsEnabled() const override;
  void UpdateScreenSelectState() override;
  void DescribeSelection(base::variant::Variant& selection) const override;

 private:
  ModelSubscriptions own_subscriptions_;
  bool authorized_ = true;
};

}  // namespace quick_record
