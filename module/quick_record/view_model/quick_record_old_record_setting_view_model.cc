#include "module/quick_record/view_model/quick_record_old_record_setting_view_model.h"

#include "host/sdk/utils/user_config.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

QuickRecordOldRecordSettingViewModel::QuickRecordOldRecordSettingViewModel(Models models)
    : QuickRecordRecordSettingViewModel(view_model_id::kQuickRecordOldRecordSettingViewModel, kOldProperties,
                                        std::move(models)) {}

void QuickRecordOldRecordSettingViewModel::OnDefaultCameraPicked(const std::string& device_id) {
  kovanisdk::utils::user_config::SetValue(kCameraUserSelectKey, device_id);
}

}  // namespace quick_record
