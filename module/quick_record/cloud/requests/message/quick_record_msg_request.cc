#include "module/quick_record/cloud/requests/message/quick_record_msg_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void QuickRecordMsgRequest::InitData(const std::string& path) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("path", path);
  InitPost(kPath, body);
}

void QuickRecordMsgRequest::ParseData(const base::json::JsonValue& json,
                                      QuickRecordDataResp<QuickRecordMsgInfo>* result) {
  const base::json::JsonValue data = json["data"];
  result->data.is_show = JsonFieldReader::Bool(data, "is_show");
  result->data.type = JsonFieldReader::Int32(data, "type");
  result->data.count = JsonFieldReader::Int32(data, "count");
}

}  // namespace quick_record
