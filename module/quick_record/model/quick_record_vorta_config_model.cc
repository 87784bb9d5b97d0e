#include "module/quick_record/model/quick_record_vorta_config_model.h"

#include "host/app/host_app_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordVortaConfigModel::QuickRecordVortaConfigModel(QuickRecordMediaConfig* config)
    : framework::ModelImpl(model_id::kQuickRecordVortaConfigModel), config_(config) {}

void QuickRecordVortaConfigModel::Init() {
  framework::ModelImpl::Init();
  RefreshConfigXmlPath();
  auto host_app = framework::module::GetAppModuleModel(host::app::kHostAppModelId);
  subscriptions_.Follow(host_app, host::app::kHostAppDynamicResUpdateCompleteEvent, this,
                        &QuickRecordVortaConfigModel::OnDynamicResUpdateComplete);
  subscriptions_.Follow(host_app, host::app::kHostAppDynamicResDeleteCompleteEvent, this,
                        &QuickRecordVortaConfigModel::OnDynamicResDeleteComplete);
}

void QuickRecordVortaConfigModel::UnInit() {
  subscriptions_.Clear();
  framework::ModelImpl::UnInit();
}

void QuickRecordVortaConfigModel::RefreshConfigXmlPath() {
  const std::string relative = kovanisdk::utils::user_config::GetString(kRelativePathKey, kDefaultRelativePath);
  config_->SetLocation(kovani_common::utils::record::GetDynamicResourceDirectory(), relative);
}

void QuickRecordVortaConfigModel::LoadResourceJson() {
  config_->MarkUnparsed();
  FireEvent(kEventConfigChanged);
}

bool QuickRecordVortaConfigModel::IsOurResource(const Variant& payload) const {
  return payload.GetString("res_name") == kResourceName;
}

void QuickRecordVortaConfigModel::OnDynamicResUpdateComplete(const Variant& payload) {
  if (!IsOurResource(payload)) return;
  KLOG(6) << "OnDynamicResUpdateComplete " << kResourceName;
  RefreshConfigXmlPath();
  LoadResourceJson();
}

void QuickRecordVortaConfigModel::OnDynamicResDeleteComplete(const Variant& payload) {
  if (!IsOurResource(payload)) return;
  KLOG(6) << "OnDynamicResDeleteComplete " << kResourceName;
  RefreshConfigXmlPath();
  LoadResourceJson();
}

}  // namespace quick_record
