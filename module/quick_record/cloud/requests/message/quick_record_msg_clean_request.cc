#include "module/quick_record/cloud/requests/message/quick_record_msg_clean_request.h"

namespace quick_record {

void QuickRecordMsgCleanRequest::InitData(const std::string& path) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("path", path);
  InitPost(kPath, body);
}

void QuickRecordMsgCleanRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  cgi_request::LogRequestOutcome(ok, result);
}

}  // namespace quick_record
