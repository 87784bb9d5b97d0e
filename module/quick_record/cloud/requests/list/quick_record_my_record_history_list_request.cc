#include "module/quick_record/cloud/requests/list/quick_record_my_record_history_list_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;

void QuickRecordMyRecordHistoryListRequest::InitData(const std::string& last_index) {
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("last_index", last_index);
  body.SetJsonObject("page_size", std::to_string(kPageSize));
  body.SetJsonObject("cover_image_type", "mid");
  InitPost(kPath, body);
}

namespace {

MyRecordHistoryItemResp ParseEntry(const JsonValue& item) {
  MyRecordHistoryItemResp entry;
  entry.title = JsonFieldReader::Text(item, "title");
  entry.start_time = JsonFieldReader::Text(item, "start_time");
  entry.end_time = JsonFieldReader::Text(item, "end_time");
  entry.duration = JsonFieldReader::Text(item, "duration");
  entry.cover_url = JsonFieldReader::Text(item, "cover_url");
  entry.record_id = JsonFieldReader::Text(item, "record_id");
  entry.encode_record_id = JsonFieldReader::Text(item, "encode_record_id");
  return entry;
}

}  // namespace

void QuickRecordMyRecordHistoryListRequest::ParseData(const JsonValue& json, MyRecordHistoryListResult* result) {
  const JsonValue data = json["data"];
  result->last_index = JsonFieldReader::Text(data, "last_index");
  result->records = JsonFieldReader::Objects(data["records"], &ParseEntry);
}

}  // namespace quick_record
