#include "module/quick_record/model/quick_record_scheme_model.h"

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/web.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordSchemeModel::QuickRecordSchemeModel()
    : framework::ModelImpl(model_id::kQuickRecordSchemeModel), subscriber_id_(framework::NewSubscriberId()) {
  BindMethod(kInvokeCallFuncGetAccessPermissionHelpUrl, [this](const Variant&, Variant* result) {
    if (!result) {
      KLOG(1) << "result is null";
      return true;
    }
    *result = HelpUrl();
    return true;
  });
  BindMethod(kInvokeRelay, [this](const Variant& args, Variant*) {
    FireEvent(kEventRelayed, args);
    return true;
  });
}

QuickRecordSchemeModel::~QuickRecordSchemeModel() = default;

void QuickRecordSchemeModel::Init() {
  if (auto config = framework::module::GetAppModuleModel(host::app::kConfigModelId)) {
    config_model_ = config;
    std::weak_ptr<ModelImpl> weak = weak_from_this();
    config->Subscribe(host::app::kConfigChangedEvent, subscriber_id_, [weak](int32_t, const Variant&) {
      if (auto self = std::static_pointer_cast<QuickRecordSchemeModel>(weak.lock())) self->OnEventUiControlConfigChanged();
    });
  }
  OnEventUiControlConfigChanged();
}

void QuickRecordSchemeModel::UnInit() {
  if (auto config = config_model_.lock()) config->Unsubscribe(subscriber_id_);
  framework::ModelImpl::UnInit();
}

void QuickRecordSchemeModel::OnEventUiControlConfigChanged() {
  help_url_ = kovanisdk::utils::config::GetString("meeting-ability", "access_permission_helping_url", "");
  KLOG(6) << "get access permission help url: " << help_url_;
}

std::string QuickRecordSchemeModel::HelpUrl() const {
  return help_url_.empty() ? kovani_common::utils::web::GetWebHost() + kDefaultHelpPath : help_url_;
}

}  // namespace quick_record
