#include "module/quick_record/cloud/cloud_record_json_parser.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"

namespace quick_record {
namespace {

using base::json::JsonValue;

constexpr char kFullItem[] = R"({
  "record_id": "1234567890123456789", "title": "Weekly", "start_time": "1700000000000",
  "end_time": "1700000061000", "duration": "61000", "cover_url": "http://c/cover.jpg",
  "encode_record_id": "MTIz", "uni_record_id": "qrabc", "video_width": 1920, "video_height": 1080,
  "record_count": 1, "is_del": 1, "jump_path": "/play/qrabc", "jump_path_short": "/s/abc",
  "record_state": 1, "record_state_tips": "Uploading", "recorder_uid": "alice",
  "recorder_username": "Alice", "recorder_avatar": "http://a", "last_view_time": "1700000100",
  "meeting_info": {"subject": "Sync", "meeting_code": "123", "meeting_id": "m1"},
  "record_type": "user_upload", "privilege_tips": "Only you", "password": "pw",
  "share_url": "http://s", "share_url_short": "http://ss", "share_url_expired": "1800000000",
  "play_video_permitted": 1, "play_video_code": 7, "play_video_tips": "ok", "viewer_status": 2,
  "cover_msg": "cm", "hover_msg": {"msg_type": 3, "time_at": "1700000200"},
  "show_red_point": true, "sort_num": "1700000300000", "file_id": "f1", "is_single": true,
  "access_type": 2, "permission_type": 3, "sharing_state": 1, "activity_uid": "alice",
  "activity_id": "act", "access_msg": "am", "is_rooms": 1, "is_admin": true, "role_type": 4})";

TEST(CloudRecordJsonParserTest, ReadsEveryFieldOfARecord) {
  const CloudRecordItemResp r = CloudRecordJsonParser::ParseItem(JsonValue::Parse(kFullItem));
  EXPECT_EQ(r.record_id, "1234567890123456789");
  EXPECT_EQ(r.title, "Weekly");
  EXPECT_EQ(r.start_time, "1700000000000");
  EXPECT_EQ(r.end_time, "1700000061000");
  EXPECT_EQ(r.duration, "61000");
  EXPECT_EQ(r.cover_url, "http://c/cover.jpg");
  EXPECT_EQ(r.encode_record_id, "MTIz");
  EXPECT_EQ(r.uni_record_id, "qrabc");
  EXPECT_EQ(r.video_width, 1920);
  EXPECT_EQ(r.video_height, 1080);
  EXPECT_EQ(r.record_count, 1);
  EXPECT_EQ(r.is_del, 1);
  EXPECT_EQ(r.jump_path, "/play/qrabc");
  EXPECT_EQ(r.jump_path_short, "/s/abc");
  EXPECT_EQ(r.record_state, "1");
  EXPECT_EQ(r.record_state_tips, "Uploading");
  EXPECT_EQ(r.recorder_uid, "alice");
  EXPECT_EQ(r.recorder_username, "Alice");
  EXPECT_EQ(r.recorder_avatar, "http://a");
  EXPECT_EQ(r.last_view_time, 1700000100);
  EXPECT_EQ(r.meeting_info.subject, "Sync");
  EXPECT_EQ(r.meeting_info.meeting_code, "123");
  EXPECT_EQ(r.meeting_info.meeting_id, "m1");
  EXPECT_EQ(r.record_type, 2);
  EXPECT_EQ(r.privilege_tips, "Only you");
  EXPECT_EQ(r.password, "pw");
  EXPECT_EQ(r.share_url, "http://s");
  EXPECT_EQ(r.share_url_short, "http://ss");
  EXPECT_EQ(r.share_url_expired, 1800000000);
  EXPECT_EQ(r.play_video_permitted, 1);
  EXPECT_EQ(r.play_video_code, 7);
  EXPECT_EQ(r.play_video_tips, "ok");
  EXPECT_EQ(r.viewer_status, 2);
  EXPECT_EQ(r.cover_msg, "cm");
  EXPECT_EQ(r.hover_msg.msg_type, 3);
  EXPECT_EQ(r.hover_msg.time_at, 1700000200);
  EXPECT_TRUE(r.show_red_point);
  EXPECT_EQ(r.sort_num, 1700000300000);
  EXPECT_EQ(r.file_id, "f1");
  EXPECT_TRUE(r.is_single);
  EXPECT_EQ(r.access_type, 2);
  EXPECT_EQ(r.permission_type, 3);
  EXPECT_EQ(r.sharing_state, 1);
  EXPECT_EQ(r.activity_uid, "alice");
  EXPECT_EQ(r.activity_id, "act");
  EXPECT_EQ(r.access_msg, "am");
  EXPECT_EQ(r.is_rooms, 1);
  EXPECT_TRUE(r.is_admin);
  EXPECT_EQ(r.role_type, 4);
}

TEST(CloudRecordJsonParserTest, RecordKindsByTextAndUnknownTextsLogged) {
  base::logging::ScopedLogCapture log;
  auto kind = [](const char* json) { return CloudRecordJsonParser::ParseItem(JsonValue::Parse(json)).record_type; };
  EXPECT_EQ(kind(R"({"record_type":"cloud_record"})"), 0);
  EXPECT_EQ(kind(R"({"record_type":"fast_record"})"), 1);
  EXPECT_EQ(kind(R"({"record_type":"user_upload"})"), 2);
  EXPECT_FALSE(log.Contains("Unknown record type"));
  EXPECT_EQ(kind(R"({"record_type":"holo_record"})"), 0);
  EXPECT_TRUE(log.Contains("Unknown record type"));
  EXPECT_EQ(kind(R"({"record_type":1})"), 0);
}

TEST(CloudRecordJsonParserTest, MalformedMembersKeepTheirDefaults) {
  const CloudRecordItemResp r = CloudRecordJsonParser::ParseItem(JsonValue::Parse(R"({
    "record_id": 5, "title": null, "start_time": 17, "video_width": "1920", "video_height": 4294967296,
    "record_state": "1", "last_view_time": 1700000100, "meeting_info": ["m"], "show_red_point": 1,
    "hover_msg": "3", "sort_num": "soon", "is_single": "true", "role_type": -2})"));
  EXPECT_EQ(r.record_id, "");
  EXPECT_EQ(r.title, "");
  EXPECT_EQ(r.start_time, "");
  EXPECT_EQ(r.video_width, 0);
  EXPECT_EQ(r.video_height, 0);
  EXPECT_EQ(r.record_state, "");
  EXPECT_EQ(r.last_view_time, 0);
  EXPECT_EQ(r.meeting_info.subject, "");
  EXPECT_FALSE(r.show_red_point);
  EXPECT_EQ(r.hover_msg.msg_type, 0);
  EXPECT_EQ(r.sort_num, 0);
  EXPECT_FALSE(r.is_single);
  EXPECT_EQ(r.role_type, -2);
}

TEST(CloudRecordJsonParserTest, PageInfoTakesHasMoreAsBooleanOrInteger) {
  QuickRecordPageInfo info =
      CloudRecordJsonParser::ParsePageInfo(JsonValue::Parse(R"({"index":"c2","size":"20","count":"45","has_more":1})"));
  EXPECT_EQ(info.index, "c2");
  EXPECT_EQ(info.size, "20");
  EXPECT_EQ(info.count, "45");
  EXPECT_TRUE(info.has_more);
  EXPECT_FALSE(CloudRecordJsonParser::ParsePageInfo(JsonValue::Parse(R"({"has_more":0})")).has_more);
  EXPECT_TRUE(CloudRecordJsonParser::ParsePageInfo(JsonValue::Parse(R"({"has_more":true})")).has_more);
  info = CloudRecordJsonParser::ParsePageInfo(JsonValue::Parse(R"({"index":3,"size":null,"has_more":"yes"})"));
  EXPECT_EQ(info.index, "");
  EXPECT_EQ(info.size, "");
  EXPECT_FALSE(info.has_more);
}

TEST(CloudRecordJsonParserTest, ListDataSkipsNonRecordsAndLogsANullData) {
  QuickRecordListResult result;
  CloudRecordJsonParser::ParseListData(
      JsonValue::Parse(R"({"records":[{"uni_record_id":"a"}, 3, null, {"uni_record_id":"b"}],
                           "page_info":{"index":"i","has_more":true}})"),
      &result);
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(result.records[0].uni_record_id, "a");
  EXPECT_EQ(result.records[1].uni_record_id, "b");
  EXPECT_EQ(result.page_info.index, "i");

  base::logging::ScopedLogCapture log;
  QuickRecordListResult empty;
  CloudRecordJsonParser::ParseListData(JsonValue(), &empty);
  EXPECT_TRUE(log.Contains("Empty json object"));
  EXPECT_TRUE(empty.records.empty());
  CloudRecordJsonParser::ParseListData(JsonValue::Parse(R"({"records":{"a":1},"page_info":[1]})"), &empty);
  EXPECT_TRUE(empty.records.empty());
  EXPECT_FALSE(empty.page_info.has_more);
}

}  // namespace
}  // namespace quick_record
