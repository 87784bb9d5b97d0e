#include "module/quick_record/cloud/requests/upload/meet_log_upload_file_complete_request.h"

namespace quick_record {

void MeetLogUploadFileCompleteRequest::InitData(const QuickRecordUploadCompleteInfo& info) {
  base::json::JsonValue body = CommonBody(
      {info.record_start_time, info.record_id, info.file_size, info.file_duration, info.record_type, info.batch_id});
  body.SetJsonObject("file_type", info.file_type);
  body.SetJsonObject("specker_nums", info.specker_nums);
  body.SetJsonObject("switch_status", info.is_enable_intelligent_record ? 1 : 2);
  Send(body);
}

}  // namespace quick_record
