#include "module/quick_record/extension/meetlog_historical_meeting_detail_extension.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"

namespace quick_record {

framework::module::ModuleRuntimeBaseImpl* MeetlogHistoricalMeetingDetailExtension::GetModuleRuntime() {
  return QuickRecordModuleRuntime::GetInstance();
}

void MeetlogHistoricalMeetingDetailExtension::Init(const base::variant::Variant& params) {
  meeting_id_ = params.Get("extra_data").GetString("meeting_id");
  KLOG(6) << "meetlog_historical_extension_init meeting_id:" << meeting_id_;
}

int32_t MeetlogHistoricalMeetingDetailExtension::GetContentViewModelId() const {
  return view_model_id::kMeetlogHistoricalMeetingDetailExtensionViewModel;
}

}  // namespace quick_record
