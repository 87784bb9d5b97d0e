#include "module/quick_record/extension/quick_record_notification_extension.h"

#include "host/app/string_table.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

void QuickRecordNotificationExtension::HandleItem(base::variant::Variant* item) {
  if (!item) return;
  item->Set("position", 3);
  item->Set("visible", true);
}

framework::module::ModuleRuntimeBaseImpl* QuickRecordNotificationExtension::GetModuleRuntime() {
  return QuickRecordModuleRuntime::GetInstance();
}

int32_t QuickRecordNotificationExtension::GetContentViewModelId() const {
  return view_model_id::kQuickRecordNotificationTabViewModel;
}

base::variant::Variant QuickRecordNotificationExtension::GetTabProperties() const {
  base::variant::Variant properties = base::variant::Variant::MakeMap();
  auto* runtime = QuickRecordModuleRuntime::Current();
  properties.Set("tab_name", runtime ? runtime->GetAssetProvider()->GetString(host::strings::kQuickRecordNotificationTab) : "");
  return properties;
}

}  // namespace quick_record
