#include "module/quick_record/cloud/requests/record/record_complete_request_base.h"

#include "host/base/logging/logger.h"

namespace quick_record {

using base::json::JsonValue;

JsonValue RecordCompleteRequestBase::CommonBody(const CommonFields& fields) {
  record_id_ = fields.record_id;
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("record_start_time", fields.record_start_time);
  if (record_id_.empty()) KLOG(1) << "record_id_ is empty";
  body.SetJsonObject("record_id", record_id_);
  body.SetJsonObject("file_size", fields.file_size);
  if (fields.file_duration == "0") {
    KLOG(1) << "data.file_duration is 0";
    body.SetJsonObject("file_duration", "5000");
  } else {
    body.SetJsonObject("file_duration", fields.file_duration);
  }
  if (!fields.record_type.empty()) body.SetJsonObject("record_type", fields.record_type);
  if (!fields.batch_id.empty()) body.SetJsonObject("batch_id", fields.batch_id);
  return body;
}

void RecordCompleteRequestBase::Send(const JsonValue& body) {
  InitPost(kPath, body);
  KLOG(6) << "complete record request body:" << body.ToStyledString();
}

void RecordCompleteRequestBase::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  KLOG(6) << "file upload complete response: biz_code=" << result.biz_code << ", msg=" << result.msg
          << ", nonce=" << result.nonce;
  if (!ok) cgi_request::LogRequestFailed(result);
}

}  // namespace quick_record
