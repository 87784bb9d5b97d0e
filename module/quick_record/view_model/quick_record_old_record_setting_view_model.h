#pragma once

#include <string>

#include "module/quick_record/view_model/quick_record_record_setting_view_model.h"

namespace quick_record {

// The settings panel of the older new-recording page: the same choices, actions and handlers as
// QuickRecordRecordSettingViewModel under its own property ids, and a default camera it picks by
// itself is also remembered as the user's choice ("camera.device.user_select").
class QuickRecordOldRecordSettingViewModel : public QuickRecordRecordSettingViewModel {
 public:
  // In the order of PropertyIds; the panel texts go under 447981.
  static constexpr PropertyIds kOldProperties = {447981, 107070, 981603, 612388, 877592, 382295,
                                                 216260, 237039, 890453, 355988, 231175, 445686};
  static constexpr char kCameraUserSelectKey[] = "camera.device.user_select";

  explicit QuickRecordOldRecordSettingViewModel(Models models = {});

 protected:
  void OnDefaultCameraPicked(const std::string& device_id) override;
};

}  // namespace quick_record
