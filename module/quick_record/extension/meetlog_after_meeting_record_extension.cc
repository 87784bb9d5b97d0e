#include "module/quick_record/extension/meetlog_after_meeting_record_extension.h"

#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

void MeetlogAfterMeetingRecordExtension::HandleItem(base::variant::Variant* item) {
  if (item) item->Set("visible", visible_);
}

framework::module::ModuleRuntimeBaseImpl* MeetlogAfterMeetingRecordExtension::GetModuleRuntime() {
  return QuickRecordModuleRuntime::GetInstance();
}

int32_t MeetlogAfterMeetingRecordExtension::GetContentViewModelId() const {
  return view_model_id::kMeetlogAfterMeetingRecordExtensionViewModel;
}

void MeetlogAfterMeetingRecordExtension::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  base::variant::Variant changes = base::variant::Variant::MakeMap();
  changes.Set("visible", visible_);
  ReportItemChanged(changes);
}

}  // namespace quick_record
