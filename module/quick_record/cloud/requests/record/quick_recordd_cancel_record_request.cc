#include "module/quick_record/cloud/requests/record/quick_recordd_cancel_record_request.h"

namespace quick_record {

void QuickRecorddCancelRecordRequest::InitData(const std::string& record_id) {
  record_id_ = record_id;
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("record_id", record_id);
  InitPost(kPath, body);
}

void QuickRecorddCancelRecordRequest::PrepareResult(bool transport_success, QuickRecordCancelRecordResult* result) {
  result->record_id = record_id_;
  result->success = transport_success;
}

}  // namespace quick_record
