#include "module/quick_record/cloud/requests/upload/meet_log_batch_complete_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

void MeetLogBatchCompleteRequest::InitData(const std::string& batch_id) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("batch_id", batch_id);
  InitPost(kPath, body);
  KLOG(6) << "complete batch request body:" << body.ToStyledString();
}

void MeetLogBatchCompleteRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  KLOG(6) << "file batch complete response: biz_code=" << result.biz_code << ", msg=" << result.msg
          << ", nonce=" << result.nonce;
  if (!ok) cgi_request::LogRequestFailed(result);
}

}  // namespace quick_record
