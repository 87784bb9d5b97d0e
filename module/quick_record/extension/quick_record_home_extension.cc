#include "module/quick_record/extension/quick_record_home_extension.h"

#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

void QuickRecordHomeExtension::HandleItem(base::variant::Variant* item) {
  if (!item) return;
  item->Set("position", 1);
  item->Set("visible", true);
}

framework::module::ModuleRuntimeBaseImpl* QuickRecordHomeExtension::GetModuleRuntime() {
  return QuickRecordModuleRuntime::GetInstance();
}

int32_t QuickRecordHomeExtension::GetContentViewModelId() const {
  return view_model_id::kQuickRecordHomeExtensionViewModel;
}

}  // namespace quick_record
