#include "module/quick_record/view_model/settings/quick_record_old_record_setting_view_model.h"

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_home_model.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/screen_selector_model.h"
#include "module/quick_record/view_model/record_source_selection.h"

namespace quick_record {

using base::variant::Variant;

namespace {

constexpr QuickRecordRecordSettingViewModel::Extras kOldExtras = {
    .answers_mic_in_use = false, .updates_preview_device = false, .independent_preview = false};

}  // namespace

QuickRecordOldRecordSettingViewModel::QuickRecordOldRecordSettingViewModel(Models models)
    : QuickRecordRecordSettingViewModel(view_model_id::kQuickRecordOldRecordSettingViewModel, kOldProperties,
                                        kOldExtras, std::move(models)) {}

void QuickRecordOldRecordSettingViewModel::OnViewAttached() {
  auto auth = framework::module::GetAppModuleModel(host::app::kAuthModelId);
  Variant state;
  if (auth) auth->Call(host::app::kAuthGetState, Variant(), &state);
  authorized_ = !auth || state.GetInt32("auth_state") == kAuthStateAuthorized;
  QuickRecordRecordSettingViewModel::OnViewAttached();

  using Self = QuickRecordOldRecordSettingViewModel;
  own_subscriptions_.Clear();
  own_subscriptions_.Follow(auth, host::app::kAuthStateChangedEvent, this, &Self::OnEventAuthorizeStateUpdate);
  own_subscriptions_.Follow(ModuleModelOf(model_id::kQuickRecordHomeModel),
                            QuickRecordHomeModel::kEventNewRecordPageClosed, this, &Self::OnEventCancelSelectRecordItem);
  own_subscriptions_.Add(session(), QuickRecordModel::kEventRecordModeChanged,
                         [weak = weak_from_this()](int32_t, const Variant&) {
                           if (auto self = std::static_pointer_cast<Self>(weak.lock())) self->UpdateScreenSelectState();
                         });
}

void QuickRecordOldRecordSettingViewModel::OnViewDetached() {
  own_subscriptions_.Clear();
  QuickRecordRecordSettingViewModel::OnViewDetached();
}

void QuickRecordOldRecordSettingViewModel::OnEventAuthorizeStateUpdate(const Variant& payload) {
  KLOG(6) << "auth_state: " << payload.GetInt32("auth_state") << ", auth_type: " << payload.GetInt32("auth_type")
          << ", source: " << payload.GetString("source");
  const bool authorized = payload.GetInt32("auth_state") == kAuthStateAuthorized;
  if (authorized == authorized_) return;
  authorized_ = authorized;
  InitUIData();
}

void QuickRecordOldRecordSettingViewModel::OnEventCancelSelectRecordItem(const Variant&) {
  KLOG(6) << "cancel select record item";
  if (auto selector = ModuleModelOf(model_id::kScreenSelectorModel)) {
    selector->Call(ScreenSelectorModel::kInvokeRestoreSelection, Variant(), nullptr);
  }
  OpenCameraPreview(false);
  PublishSelection();
}

std::string QuickRecordOldRecordSettingViewModel::GetWindowName(const Variant& data) {
  const Variant& info = data.Get("select_screen_info");
  if (info.GetInt32("type") == RecordSourceSelection::kSourceWindow && data.Get("window_list").IsArray()) {
    const std::string id = info.GetString("window_id");
    for (const Variant& window : data.Get("window_list").AsArray()) {
      if (window.GetString("window_id") == id) return window.GetString("window_name");
    }
  }
  return info.GetString("window_name", info.GetString("name"));
}

void QuickRecordOldRecordSettingViewModel::DescribeSelection(Variant& selection) const {
  if (selection.Size() == 0) return;
  Variant data = Variant::MakeMap();
  data.Set("select_screen_info", selection);
  data.Set("window_list", Windows());
  selection.Set("window_name", GetWindowName(data));
}

void QuickRecordOldRecordSettingViewModel::OnDefaultCameraPicked(const std::string& device_id) {
  kovanisdk::utils::user_config::SetValue(kCameraUserSelectKey, device_id);
}

bool QuickRecordOldRecordSettingViewModel::SettingsEnabled() const {
  return authorized_ && QuickRecordRecordSettingViewModel::SettingsEnabled();
}

void QuickRecordOldRecordSettingViewModel::UpdateScreenSelectState() {
  KLOG(6) << "selected_mode_:" << selected_mode();
  Variant enable = Variant::MakeMap();
  enable.Set("enable", !recording() && selected_mode() != kModeHead);
  Publish(properties().selection_enable, enable);
}

}  // namespace quick_record
