#include "module/quick_record/cloud/requests/list/cloud_record_delete_history_record_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

void CloudRecordDeleteHistoryRecordRequest::InitData(const DeleteRecordHistoryReq& req) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("record_id", req.record_id);
  body.SetJsonObject("uni_record_id", req.uni_record_id);
  body.SetJsonObject("type", req.record_type == kCloudRecordKind ? "cloud_record" : "fast_record");
  InitPost(kPath, body);
}

void CloudRecordDeleteHistoryRecordRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  if (ok) {
    KLOG(6) << "DeleteRecordHistory success.";
  } else {
    KLOG(3) << "DeleteRecordHistory failed. status_code=" << result.status_code << ", biz_code=" << result.biz_code;
  }
}

}  // namespace quick_record
