#include "module/quick_record/cloud/requests/share/cloud_record_request_permission_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void CloudRecordRequestPermissionRequest::InitData(const CloudRecordPermissionReq& req) {
  trace_id_ = req.trace_id;
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("share_id", req.share_id);
  body.SetJsonObject("subject", req.subject);
  body.SetJsonObject("reason", req.reason);
  InitPost(kPath, body);
  KLOG(6) << "Request cloud record permission, trace_id: " << trace_id_ << ", share_id: " << req.share_id;
}

void CloudRecordRequestPermissionRequest::ParseData(const base::json::JsonValue& json,
                                                    QuickRecordDataResp<std::string>* result) {
  result->data = JsonFieldReader::Text(json["data"], "unique_id");
}

void CloudRecordRequestPermissionRequest::LogResponse(bool ok, const QuickRecordDataResp<std::string>& result) {
  KLOG(ok ? 6 : 3) << "Request cloud record permission response, trace_id: " << trace_id_
                   << ", unique_id: " << result.data << ", biz_code: " << result.biz_code << ", msg: " << result.msg;
}

}  // namespace quick_record
