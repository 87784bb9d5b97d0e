#include "module/quick_record/extension/record_tab_extension.h"

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

using base::variant::Variant;

RecordTabExtension::RecordTabExtension(const Traits& traits)
    : traits_(traits), visible_(ReadVisible()), subscriber_id_(framework::NewSubscriberId()) {}

RecordTabExtension::~RecordTabExtension() { UnInit(); }

bool RecordTabExtension::ReadVisible() const {
  if (!traits_.ability_key) return true;
  const bool enabled = kovanisdk::utils::config::GetBool("quick_record_ability", traits_.ability_key, false);
  KLOG(6) << traits_.enable_log << enabled;
  return enabled;
}

void RecordTabExtension::HandleItem(Variant* item) {
  if (!item) return;
  if (traits_.ability_key) KLOG(6) << traits_.class_name << " InnerHandleItem";
  item->Set("position", traits_.position);
  item->Set("visible", visible_);
}

framework::module::ModuleRuntimeBaseImpl* RecordTabExtension::GetModuleRuntime() {
  return QuickRecordModuleRuntime::GetInstance();
}

void RecordTabExtension::Init(const Variant&) {
  KLOG(6) << traits_.init_log;
  if (!traits_.ability_key) return;
  auto config = framework::module::GetAppModuleModel(host::app::kConfigModelId);
  if (!config) return;
  config_model_ = config;
  std::weak_ptr<framework::extension::ExtensionImpl> weak = weak_from_this();
  config->Subscribe(host::app::kConfigChangedEvent, subscriber_id_, [weak](int32_t, const Variant&) {
    if (auto self = std::static_pointer_cast<RecordTabExtension>(weak.lock())) self->OnConfigChanged();
  });
}

void RecordTabExtension::UnInit() {
  if (auto config = config_model_.lock()) config->Unsubscribe(subscriber_id_);
  config_model_.reset();
}

void RecordTabExtension::OnConfigChanged() {
  const bool visible = ReadVisible();
  if (visible == visible_) return;
  visible_ = visible;
  Variant changes = Variant::MakeMap();
  changes.Set("visible", visible_);
  changes.Set("position", traits_.position);
  ReportItemChanged(changes);
}

Variant RecordTabExtension::GetTabProperties() const {
  Variant properties = Variant::MakeMap();
  auto* runtime = QuickRecordModuleRuntime::Current();
  properties.Set("tab_name", runtime ? runtime->GetAssetProvider()->GetString(traits_.tab_name_string_id) : "");
  for (const char* key : {"tab_icon_path_normal", "tab_icon_path_select", "tab_icon_path_narrow_normal",
                          "tab_icon_path_narrow_select"}) {
    properties.Set(key, traits_.icon_path);
  }
  if (traits_.red_dot_path) properties.Set("red_dot_path", traits_.red_dot_path);
  return properties;
}

}  // namespace quick_record
