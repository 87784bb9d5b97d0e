#include "module/quick_record/data/record/cloud_record_item_converter.h"

#include <gtest/gtest.h>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/cloud_record_json_parser.h"
#include "module/quick_record/data/record/record_data_order.h"

namespace quick_record {
namespace {

constexpr char kWebHost[] = "https://web.test";

tagRecordDataItem ConvertJson(const std::string& json) {
  return CloudRecordItemConverter::Convert(CloudRecordJsonParser::ParseItem(base::json::JsonValue::Parse(json)),
                                           kWebHost);
}

TEST(CloudRecordItemConverterTest, CopiesAndDerivesEveryFieldOfACloudItem) {
  const tagRecordDataItem item = ConvertJson(R"({
    "record_id": "r1", "title": "Weekly", "start_time": "1700000000000", "end_time": "1700000061000",
    "duration": "61000", "cover_url": "http://c/cover.jpg?x=1", "encode_record_id": "MTIz",
    "uni_record_id": "qr1", "video_width": 1920, "video_height": 1080, "record_count": 2, "is_del": 1,
    "jump_path": "/play/qr1?a=b", "jump_path_short": "s/abc", "record_state": 2, "record_state_tips": "Busy",
    "recorder_uid": "alice", "recorder_username": "Alice", "recorder_avatar": "http://a",
    "last_view_time": "1700000100", "meeting_info": {"meeting_code": "123", "meeting_id": "m1"},
    "record_type": "fast_record", "privilege_tips": "Only you", "password": "pw", "share_url": "http://s",
    "share_url_short": "http://ss", "share_url_expired": "1800000000", "play_video_permitted": 1,
    "viewer_status": 2, "cover_msg": "cm", "hover_msg": {"msg_type": 3, "time_at": "1700000200"},
    "show_red_point": true, "sort_num": "1700000300000", "file_id": "f1", "is_single": true,
    "access_type": 2, "permission_type": 3, "sharing_state": 1, "activity_uid": "bob", "activity_id": "act",
    "access_msg": "am", "is_rooms": 1, "is_admin": true, "role_type": 4})");
  EXPECT_TRUE(item.is_uploaded);
  EXPECT_EQ(item.record_type, kRecordTypeCloudQuickRecord);
  EXPECT_EQ(item.instance_id, "f1");
  EXPECT_EQ(item.record_id, "r1");
  EXPECT_EQ(item.record_title, "Weekly");
  EXPECT_EQ(item.record_start_time, 1700000000000u);
  EXPECT_EQ(item.record_end_time, 1700000061000u);
  EXPECT_EQ(item.record_totoal_time, 61000u);
  EXPECT_EQ(item.cover_path, "http://c/cover.jpg?x=1&image/thumbnail/500x");
  EXPECT_EQ(item.complete_jump_url, "https://web.test/play/qr1?a=b&jump_from=1");
  EXPECT_EQ(item.short_jump_url, "https://web.test/s/abc");
  EXPECT_EQ(item.meeting_id, "m1");
  EXPECT_EQ(item.meeting_code, "123");
  EXPECT_EQ(item.record_status, kRecordStatusProcessing);
  EXPECT_EQ(item.record_status_msg, "Busy");
  EXPECT_EQ(item.user_id, "alice");
  EXPECT_EQ(item.user_name, "Alice");
  EXPECT_EQ(item.user_icon, "http://a");
  EXPECT_EQ(item.recorder_avatar, "http://a");
  EXPECT_EQ(item.last_visited_time, 1700000100u);
  EXPECT_EQ(item.permission_tip, "Only you");
  EXPECT_EQ(item.permission_password, "pw");
  EXPECT_EQ(item.share_link_short, "http://ss");
  EXPECT_EQ(item.share_url_expired, 1800000000u);
  EXPECT_TRUE(item.play_video_enable);
  EXPECT_EQ(item.hover_msg_type, 3u);
  EXPECT_EQ(item.hover_msg_time_at, 1700000200u);
  EXPECT_EQ(item.update_record_time, 1700000300000u);
  EXPECT_TRUE(item.is_del && item.is_single && item.is_admin && item.is_rooms && item.show_red_point);
  EXPECT_EQ(item.video_res_width, 1920u);
  EXPECT_EQ(item.record_count, 2u);
  EXPECT_EQ(item.role_type, 4u);
  EXPECT_EQ(item.activity_uid, "bob");
  EXPECT_EQ(item.sharing_state, 1);
}

TEST(CloudRecordItemConverterTest, StateKindCoverAndShortLinkRules) {
  EXPECT_EQ(ConvertJson(R"({"record_state": 1})").record_status, kRecordStatusReady);
  EXPECT_EQ(ConvertJson(R"({"record_state": 3})").record_status, kRecordStatusOther);
  EXPECT_EQ(ConvertJson(R"({})").record_status, kRecordStatusOther);
  EXPECT_EQ(ConvertJson(R"({"record_type": "user_upload"})").record_type, kRecordTypeUploadedLocalFile);
  EXPECT_EQ(ConvertJson(R"({"record_type": "cloud_record"})").record_type, kRecordTypeCloudRecording);
  EXPECT_FALSE(ConvertJson(R"({"play_video_permitted": 2})").play_video_enable);

  const tagRecordDataItem bare = ConvertJson(R"({"cover_url": "", "jump_path": "/p", "jump_path_short": ""})");
  EXPECT_EQ(bare.cover_path, "");
  EXPECT_EQ(bare.short_jump_url, "");
  EXPECT_EQ(bare.complete_jump_url, "https://web.test/p&jump_from=1");
}

TEST(CloudRecordItemConverterTest, UnknownKindStaysInTheListWithTheDefaultKindAndIsLogged) {
  base::logging::ScopedLogCapture logs;
  const auto items = CloudRecordItemConverter::ConvertAll(
      {CloudRecordJsonParser::ParseItem(base::json::JsonValue::Parse(R"({"record_type": "hologram"})"))});
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].record_type, kRecordTypeCloudRecording);
  EXPECT_TRUE(logs.Contains("Unknown record type"));
}

TEST(CloudRecordItemConverterTest, MalformedItemsConvertToDefaultsWithoutFailing) {
  // Numbers as text, text as numbers, negative, huge and non-digit values, objects where texts go.
  const tagRecordDataItem item = ConvertJson(R"({
    "start_time": 1700000000, "end_time": "abc", "duration": "-61", "video_width": "1920",
    "record_count": 1e300, "sort_num": "99999999999999999999999", "last_view_time": "-5",
    "share_url_expired": "12ab", "hover_msg": "not an object", "meeting_info": [1, 2],
    "title": 42, "record_state": "1", "file_id": {"x": 1}, "role_type": -3, "is_rooms": true})");
  EXPECT_EQ(item.record_start_time, 0u);
  EXPECT_EQ(item.record_end_time, 0u);
  EXPECT_EQ(item.record_totoal_time, 0u);
  EXPECT_EQ(item.video_res_width, 0u);
  EXPECT_EQ(item.record_count, 0u);
  EXPECT_EQ(item.update_record_time, 0u);
  EXPECT_EQ(item.last_visited_time, 0u);
  EXPECT_EQ(item.share_url_expired, 12u);  // leading digits count
  EXPECT_EQ(item.hover_msg_type, 0u);
  EXPECT_EQ(item.meeting_id, "");
  EXPECT_EQ(item.record_title, "");
  EXPECT_EQ(item.record_status, kRecordStatusOther);  // a text state is no state
  EXPECT_EQ(item.instance_id, "");
  EXPECT_EQ(item.role_type, 0u);
  EXPECT_FALSE(item.is_rooms);
}

TEST(CloudRecordItemConverterTest, ParsesUnsignedDecimalTexts) {
  EXPECT_EQ(CloudRecordItemConverter::ParseUnsignedDecimal(""), 0u);
  EXPECT_EQ(CloudRecordItemConverter::ParseUnsignedDecimal("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(CloudRecordItemConverter::ParseUnsignedDecimal("18446744073709551616"), 0u);
  EXPECT_EQ(CloudRecordItemConverter::ParseUnsignedDecimal(" 7"), 0u);
  EXPECT_EQ(CloudRecordItemConverter::ParseUnsignedDecimal("7 days"), 7u);
}

TEST(CloudRecordItemConverterTest, ConvertingNewestFirstEqualsConvertingThenSorting) {
  std::vector<CloudRecordItemResp> items(50);
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].file_id = std::to_string(i);
    items[i].sort_num = static_cast<int64_t>(i % 7) - 2;  // ties and negatives
    items[i].last_view_time = static_cast<int64_t>((i * 13) % 11);
    items[i].start_time = i % 5 ? std::to_string((i * 31) % 17) : "x";
  }
  for (int32_t table : {kRecordTableAll, kRecordTableRecent, kRecordTableMine}) {
    auto expected = CloudRecordItemConverter::ConvertAll(items);
    RecordDataOrder::SortNewestFirst(&expected, table);
    const auto ordered = CloudRecordItemConverter::ConvertAllNewestFirst(items, table);
    ASSERT_EQ(ordered.size(), expected.size());
    for (size_t i = 0; i < ordered.size(); ++i) EXPECT_EQ(ordered[i].instance_id, expected[i].instance_id) << table;
  }
}

TEST(RecordDataOrderTest, SortsByTheTimeOfTheTableTypeNewestFirstKeepingTies) {
  std::vector<tagRecordDataItem> items(4);
  const uint64_t update[] = {5, 9, 5, 1}, visited[] = {1, 2, 3, 4}, start[] = {8, 6, 7, 9};
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].instance_id = std::to_string(i);
    items[i].update_record_time = update[i];
    items[i].last_visited_time = visited[i];
    items[i].record_start_time = start[i];
  }
  auto order = [](std::vector<tagRecordDataItem> list, int32_t table) {
    RecordDataOrder::SortNewestFirst(&list, table);
    std::string ids;
    for (const auto& item : list) ids += item.instance_id;
    return ids;
  };
  EXPECT_EQ(order(items, kRecordTableAll), "1023");
  EXPECT_EQ(order(items, kRecordTableRecent), "3210");
  EXPECT_EQ(order(items, kRecordTableMine), "3021");
  EXPECT_EQ(order(items, kRecordTableMeetingWithoutPreload), "3021");
}

}  // namespace
}  // namespace quick_record
