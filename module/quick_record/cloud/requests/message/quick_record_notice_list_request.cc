#include "module/quick_record/cloud/requests/message/quick_record_notice_list_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

void QuickRecordNoticeListRequest::InitData(const std::string& last_index, int32_t page_size) {
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("last_index", last_index);
  body.SetJsonObject("page_size", std::to_string(page_size));
  InitPost(kPath, body);
}

namespace {

QuickRecordNoticeItemResp ParseNotice(const JsonValue& item) {
  QuickRecordNoticeItemResp notice;
  notice.type = Read::Int32(item, "type");
  notice.title = Read::Text(item, "title");
  notice.avatar_url = Read::Text(item, "avatar_url");
  notice.username = Read::Text(item, "username");
  notice.user_uid = Read::Text(item, "user_uid");
  notice.content = Read::Text(item, "content");
  notice.video_elasped_time = Read::Int64(item, "video_elasped_time");
  notice.create_time = Read::Int64(item, "create_time");
  notice.reply_to_name = Read::Text(item, "reply_to_name");
  notice.reply_to_uid = Read::Text(item, "reply_to_uid");
  notice.show_reddot = Read::Bool(item, "show_reddot");
  notice.comment_id = Read::Text(item, "comment_id");
  notice.reply_id = Read::Text(item, "reply_id");
  notice.record_id = Read::Text(item, "record_id");
  return notice;
}

}  // namespace

void QuickRecordNoticeListRequest::ParseData(const JsonValue& json, QuickRecordNoticeListResult* result) {
  const JsonValue data = json["data"];
  result->last_index = Read::Text(data, "last_index");
  result->notices = Read::Objects(data["notices"], &ParseNotice);
}

}  // namespace quick_record
