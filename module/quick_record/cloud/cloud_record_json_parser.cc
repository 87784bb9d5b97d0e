#include "module/quick_record/cloud/cloud_record_json_parser.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

namespace {

// The kind text of a record; an unknown text leaves `kind` as it was.
void ReadRecordType(const JsonValue& item, int32_t* kind) {
  const JsonValue value = item["record_type"];
  if (!value.IsString()) return;
  const std::string text = value.AsString();
  if (text == "cloud_record") {
    *kind = 0;
  } else if (text == "fast_record") {
    *kind = 1;
  } else if (text == "user_upload") {
    *kind = 2;
  } else {
    KLOG(1) << "Unknown record type " << text;
  }
}

}  // namespace

CloudRecordItemResp CloudRecordJsonParser::ParseItem(const JsonValue& item) {
  CloudRecordItemResp r;
  r.record_id = Read::Text(item, "record_id");
  r.title = Read::Text(item, "title");
  r.start_time = Read::Text(item, "start_time");
  r.end_time = Read::Text(item, "end_time");
  r.duration = Read::Text(item, "duration");
  r.cover_url = Read::Text(item, "cover_url");
  r.encode_record_id = Read::Text(item, "encode_record_id");
  r.uni_record_id = Read::Text(item, "uni_record_id");
  r.video_width = Read::Int32(item, "video_width");
  r.video_height = Read::Int32(item, "video_height");
  r.record_count = Read::Int32(item, "record_count");
  r.is_del = Read::Int32(item, "is_del");
  r.jump_path = Read::Text(item, "jump_path");
  r.jump_path_short = Read::Text(item, "jump_path_short");
  if (item["record_state"].IsInteger()) r.record_state = std::to_string(item["record_state"].AsInteger());
  r.record_state_tips = Read::Text(item, "record_state_tips");
  r.recorder_uid = Read::Text(item, "recorder_uid");
  r.recorder_username = Read::Text(item, "recorder_username");
  r.recorder_avatar = Read::Text(item, "recorder_avatar");
  r.last_view_time = Read::DecimalText(item, "last_view_time");
  const JsonValue meeting = item["meeting_info"];
  r.meeting_info.subject = Read::Text(meeting, "subject");
  r.meeting_info.meeting_code = Read::Text(meeting, "meeting_code");
  r.meeting_info.meeting_id = Read::Text(meeting, "meeting_id");
  ReadRecordType(item, &r.record_type);
  r.privilege_tips = Read::Text(item, "privilege_tips");
  r.password = Read::Text(item, "password");
  r.share_url = Read::Text(item, "share_url");
  r.share_url_short = Read::Text(item, "share_url_short");
  r.share_url_expired = Read::DecimalText(item, "share_url_expired");
  r.play_video_permitted = Read::Int32(item, "play_video_permitted");
  r.play_video_code = Read::Int32(item, "play_video_code");
  r.play_video_tips = Read::Text(item, "play_video_tips");
  r.viewer_status = Read::Int32(item, "viewer_status");
  r.cover_msg = Read::Text(item, "cover_msg");
  const JsonValue hover = item["hover_msg"];
  r.hover_msg.msg_type = Read::Int32(hover, "msg_type");
  r.hover_msg.time_at = Read::DecimalText(hover, "time_at");
  r.show_red_point = Read::Bool(item, "show_red_point");
  r.sort_num = Read::DecimalText(item, "sort_num");
  r.file_id = Read::Text(item, "file_id");
  r.is_single = Read::Bool(item, "is_single");
  r.access_type = Read::Int32(item, "access_type");
  r.permission_type = Read::Int32(item, "permission_type");
  r.sharing_state = Read::Int32(item, "sharing_state");
  r.activity_uid = Read::Text(item, "activity_uid");
  r.activity_id = Read::Text(item, "activity_id");
  r.access_msg = Read::Text(item, "access_msg");
  r.is_rooms = Read::Int32(item, "is_rooms");
  r.is_admin = Read::Bool(item, "is_admin");
  r.role_type = Read::Int32(item, "role_type");
  return r;
}

QuickRecordPageInfo CloudRecordJsonParser::ParsePageInfo(const JsonValue& page_info) {
  QuickRecordPageInfo info;
  info.index = Read::Text(page_info, "index");
  info.size = Read::Text(page_info, "size");
  info.count = Read::Text(page_info, "count");
  info.has_more = Read::BoolOrInteger(page_info, "has_more");
  return info;
}

void CloudRecordJsonParser::ParseListData(const JsonValue& data, QuickRecordListResult* result) {
  if (data.IsNull()) {
    KLOG(3) << "Empty json object";
    return;
  }
  result->records = Read::Objects(data["records"], &ParseItem);
  result->page_info = ParsePageInfo(data["page_info"]);
}

}  // namespace quick_record
