#include "module/quick_record/cloud/requests/upload/meetlog_local_batch_sensor_info_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

namespace {

BatchCensorInfoItemResp ParseVerdict(const JsonValue& item) {
  BatchCensorInfoItemResp verdict;
  verdict.file_id = Read::Text(item, "file_id");
  verdict.file_name = Read::Text(item, "file_name");
  verdict.status = Read::Int32(item, "status");
  verdict.is_pass = Read::Bool(item, "is_pass");
  verdict.tips = Read::Text(item, "tips");
  return verdict;
}

}  // namespace

void MeetlogLocalBatchSensorInfoRequest::InitData(const std::vector<MeetlogLocalBatchSensorInfo>& files) {
  JsonValue list = JsonValue::Array();
  for (const auto& file : files) {
    JsonValue entry = JsonValue::Object();
    entry.SetJsonObject("file_id", file.file_id);
    entry.SetJsonObject("file_name", file.file_name);
    list.AddaJsonObject(entry);
  }
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("files", list);
  InitPost(kPath, body);
}

void MeetlogLocalBatchSensorInfoRequest::ParseData(const JsonValue& json,
                                                   QuickRecordDataResp<std::vector<BatchCensorInfoItemResp>>* result) {
  result->data = Read::Objects(json["data"]["files"], &ParseVerdict);
}

}  // namespace quick_record
