#include "module/quick_record/cloud/requests/list/cloud_record_rename_review_status_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;

void CloudRecordRenameReviewStatusRequest::InitData(const RenameReviewStatusReq& req) {
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("fire_id", req.fire_id);
  body.SetJsonObject("biz_id", req.biz_id);
  body.SetJsonObject("resource_id", req.resource_id);
  body.SetJsonObject("resource_part_id", req.resource_part_id);
  body.SetJsonObject("version", req.version);
  InitPost(kPath, body);
}

void CloudRecordRenameReviewStatusRequest::ParseData(const JsonValue& json,
                                                     QuickRecordDataResp<RenameReviewStatusResp>* result) {
  const JsonValue data = json["data"];
  result->data.status = JsonFieldReader::Int32(data, "status");
  result->data.tips = JsonFieldReader::Text(data, "tips");
}

void CloudRecordRenameReviewStatusRequest::LogResponse(bool ok,
                                                       const QuickRecordDataResp<RenameReviewStatusResp>& result) {
  if (ok) {
    KLOG(6) << "RenameReviewStatus request success.";
  } else {
    KLOG(3) << "RenameReviewStatus request failed:"
            << ",code: " << result.biz_code << ",msg :" << result.msg;
  }
}

}  // namespace quick_record
