#include "module/quick_record/cloud/requests/list/cloud_record_rename_record_data_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;

void CloudRecordRenameRecordDataRequest::InitData(const UpdateRecordTitleReq& req) {
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("title", req.title);
  if (!req.description.empty()) body.SetJsonObject("description", req.description);
  body.SetJsonObject("uni_record_id", req.uni_record_id);
  InitPost(kPath, body);
}

void CloudRecordRenameRecordDataRequest::ParseData(const JsonValue& json,
                                                   QuickRecordDataResp<RenameReviewStatusReq>* result) {
  const JsonValue data = json["data"];
  result->data.fire_id = JsonFieldReader::Text(data, "fire_id");
  result->data.biz_id = JsonFieldReader::Text(data, "biz_id");
  result->data.resource_id = JsonFieldReader::Text(data, "resource_id");
  result->data.resource_part_id = JsonFieldReader::Text(data, "resource_part_id");
  result->data.version = JsonFieldReader::Text(data, "version");
}

void CloudRecordRenameRecordDataRequest::LogResponse(bool ok,
                                                     const QuickRecordDataResp<RenameReviewStatusReq>& result) {
  if (ok) {
    KLOG(6) << "UpdateCloudRecord request success.";
  } else {
    KLOG(3) << "UpdateCloudRecord request failed:"
            << ",code: " << result.biz_code << ",msg :" << result.msg;
  }
}

}  // namespace quick_record
