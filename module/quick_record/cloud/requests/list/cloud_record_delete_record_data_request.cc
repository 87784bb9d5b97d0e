#include "module/quick_record/cloud/requests/list/cloud_record_delete_record_data_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

using base::json::JsonValue;

void CloudRecordDeleteRecordDataRequest::InitData(const std::vector<std::string>& uni_record_ids) {
  JsonValue ids = JsonValue::Array();
  for (const auto& id : uni_record_ids) ids.AddaJsonObject(id);
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("uni_record_ids", ids);
  body.SetJsonObject("api_version", 1);
  InitPost(kPath, body);
}

void CloudRecordDeleteRecordDataRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  if (ok) {
    KLOG(6) << "DeleteCloudRecord success.";
  } else {
    KLOG(3) << "DeleteCloudRecord failed. status_code=" << result.status_code << ", biz_code=" << result.biz_code;
  }
}

}  // namespace quick_record
