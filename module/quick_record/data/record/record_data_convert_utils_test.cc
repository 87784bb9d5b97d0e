#include "module/quick_record/data/record/record_data_convert_utils.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Convert = RecordDataConvertUtils;

tagRecordDataItem SampleItem() {
  tagRecordDataItem item;
  item.record_id = "r'1";
  item.upload_rate = 55;
  item.is_uploaded = true;
  item.instance_id = std::string("in\0st", 5);
  item.record_title = "Title";
  item.record_start_time = UINT64_MAX;
  item.last_visited_time = 12;
  item.record_type = kRecordTypeUploadedLocalFile;
  item.access_type = -2;
  item.role_type = 9;
  item.play_video_enable = true;
  return item;
}

TEST(RecordDataConvertUtilsTest, RecordMapHasEveryKeyWithItsTypeAndRoundTrips) {
  const Variant map = Convert::ItemToVariant(SampleItem());
  EXPECT_EQ(map.Size(), 53u);
  EXPECT_EQ(map.Get("record_start_time").type(), Variant::Type::kUInt64);
  EXPECT_EQ(map.Get("upload_rate").type(), Variant::Type::kInt32);
  EXPECT_EQ(map.Get("is_uploaded").type(), Variant::Type::kBool);
  EXPECT_EQ(map.Get("record_totoal_time").type(), Variant::Type::kUInt64);
  EXPECT_EQ(map.GetString("instance_id").size(), 5u);

  const tagRecordDataItem back = Convert::ItemFromVariant(map);
  EXPECT_EQ(back.record_id, "r'1");
  EXPECT_EQ(back.instance_id, std::string("in\0st", 5));
  EXPECT_EQ(back.record_start_time, UINT64_MAX);
  EXPECT_EQ(back.access_type, -2);
  EXPECT_EQ(back.role_type, 9u);
  EXPECT_TRUE(back.play_video_enable);
  EXPECT_EQ(Convert::ItemToVariant(back), map);
}

TEST(RecordDataConvertUtilsTest, PartialOrMistypedMapsReadAsDefaults) {
  Variant map;
  map.Set("record_title", 42);                 // number where text goes
  map.Set("record_start_time", "1700000000");  // text where a number goes
  map.Set("last_visited_time", int64_t{-1});   // out of the unsigned range
  map.Set("upload_rate", uint64_t{1} << 40);   // too big for 32 bits
  map.Set("is_uploaded", 1);                   // number where a boolean goes
  map.Set("meeting_id", "m1");
  const tagRecordDataItem item = Convert::ItemFromVariant(map);
  EXPECT_EQ(item.record_title, "");
  EXPECT_EQ(item.record_start_time, 0u);
  EXPECT_EQ(item.last_visited_time, 0u);
  EXPECT_EQ(item.upload_rate, 0);
  EXPECT_FALSE(item.is_uploaded);
  EXPECT_EQ(item.meeting_id, "m1");

  EXPECT_EQ(Convert::ItemFromVariant(Variant("not a map")).record_id, "");
  EXPECT_TRUE(Convert::ItemsFromVariant(Variant(Variant::Array{Variant(1), Variant(), map})).size() == 1);
}

TEST(RecordDataConvertUtilsTest, ListRequestAndAnswerRoundTrip) {
  tagRecordDataNormalRequest request;
  request.trace_id = "t";
  request.record_data_start_time = 99;
  request.size = 20;
  request.table_type = kRecordTableRecent;
  request.data_way = kRecordDataWayNextPage;
  request.is_first_page = true;
  request.room_id = "room";
  const Variant request_map = Convert::NormalRequestToVariant(request);
  EXPECT_EQ(request_map.Size(), 14u);
  const auto request_back = Convert::NormalRequestFromVariant(request_map);
  EXPECT_EQ(request_back.data_way, kRecordDataWayNextPage);
  EXPECT_EQ(request_back.record_data_start_time, 99u);
  EXPECT_TRUE(request_back.is_first_page);
  EXPECT_EQ(request_back.room_id, "room");

  tagRecordDataListResponse answer;
  answer.trace_id = "t";
  answer.record_items = {SampleItem(), SampleItem()};
  answer.has_more = true;
  answer.success = true;
  answer.first_record_time = 7;
  answer.last_record_uni_record_id = "qr9";
  const Variant answer_map = Convert::ListResponseToVariant(answer);
  EXPECT_EQ(answer_map.Size(), 15u);
  const auto answer_back = Convert::ListResponseFromVariant(answer_map);
  ASSERT_EQ(answer_back.record_items.size(), 2u);
  EXPECT_EQ(answer_back.record_items[1].record_id, "r'1");
  EXPECT_TRUE(answer_back.has_more && answer_back.success);
  EXPECT_EQ(answer_back.first_record_time, 7u);
  EXPECT_EQ(answer_back.last_record_uni_record_id, "qr9");
}

TEST(RecordDataConvertUtilsTest, SingleRequestsRefuseWhatIsNotAMap) {
  base::logging::ScopedLogCapture logs;
  tagSingleRecordDataRequest single;
  EXPECT_FALSE(Convert::SingleRequestFromVariant(Variant(Variant::Array{}), &single));
  EXPECT_TRUE(logs.Contains("item_var is invalid"));
  single.file_id = "f";
  single.uni_record_id = "u";
  tagSingleRecordDataRequest back;
  ASSERT_TRUE(Convert::SingleRequestFromVariant(Convert::SingleRequestToVariant(single), &back));
  EXPECT_EQ(back.file_id, "f");

  tagSingleMeetingRecordDataRequest meeting;
  meeting.meeting_id = "m";
  meeting.table_type = kRecordTableMeetingWithPreload;
  meeting.record_data_start_time = 5;
  tagSingleMeetingRecordDataRequest meeting_back;
  EXPECT_FALSE(Convert::SingleMeetingRequestFromVariant(Variant(3), &meeting_back));
  ASSERT_TRUE(Convert::SingleMeetingRequestFromVariant(Convert::SingleMeetingRequestToVariant(meeting), &meeting_back));
  EXPECT_EQ(meeting_back.table_type, kRecordTableMeetingWithPreload);
  EXPECT_EQ(meeting_back.record_data_start_time, 5u);
}

TEST(RecordDataConvertUtilsTest, UpdateAndDeleteRequestsRoundTrip) {
  tagUpdateRecordDataRequest update;
  update.instance_id = "i";
  update.update_tag = 3;
  update.str_value = "new";
  update.old_str_value = "old";
  update.int_value = 1ull << 50;
  update.record_items = {SampleItem()};
  const auto update_back = Convert::UpdateRequestFromVariant(Convert::UpdateRequestToVariant(update));
  EXPECT_EQ(update_back.int_value, 1ull << 50);
  EXPECT_EQ(update_back.old_str_value, "old");
  ASSERT_EQ(update_back.record_items.size(), 1u);

  tagDeleteRecordDataRequest remove;
  remove.instance_id = "i";
  remove.meeting_screen_record_time = 77;
  remove.local_file_path = "/tmp/a.mp4";
  tagBatchDeleteRecordDataRequest batch;
  batch.trace_id = "t";
  batch.delete_local_record_file = true;
  batch.request_list = {remove, remove};
  const Variant batch_map = Convert::BatchDeleteRequestToVariant(batch);
  EXPECT_EQ(batch_map.Size(), 3u);
  const auto batch_back = Convert::BatchDeleteRequestFromVariant(batch_map);
  ASSERT_EQ(batch_back.request_list.size(), 2u);
  EXPECT_TRUE(batch_back.delete_local_record_file);
  EXPECT_EQ(batch_back.request_list[1].meeting_screen_record_time, 77u);

  tagBatchDeleteRecordDataResponse answer;
  answer.success = true;
  answer.fail_array = {remove};
  const auto answer_back = Convert::BatchDeleteResponseFromVariant(Convert::BatchDeleteResponseToVariant(answer));
  EXPECT_TRUE(answer_back.suc_array.empty());
  ASSERT_EQ(answer_back.fail_array.size(), 1u);
  EXPECT_EQ(answer_back.fail_array[0].local_file_path, "/tmp/a.mp4");
}

TEST(RecordDataConvertUtilsTest, ChangeNotificationsCarryTheKeysOfTheirReason) {
  tagRecordDataItemRecordStatusChanged status;
  status.instance_id = "i";
  status.changed_reason = kRecordChangedRecordStatus;
  status.record_status = 2;
  status.handled_progress = 40;
  const Variant status_map = Convert::ChangedToVariant(status);
  EXPECT_EQ(status_map.Size(), 9u);
  auto status_back =
      std::dynamic_pointer_cast<tagRecordDataItemRecordStatusChanged>(Convert::ChangedFromVariant(status_map));
  ASSERT_TRUE(status_back);
  EXPECT_EQ(status_back->handled_progress, 40u);
  EXPECT_EQ(status_back->instance_id, "i");

  tagRecordDataItemRecordFilePathChanged paths;
  paths.changed_reason = kRecordChangedRecordFilePath;
  paths.record_file_path_map = {{"a", "/x/a.mp4"}, {"b", "/x/b.mp4"}};
  auto paths_back = std::dynamic_pointer_cast<tagRecordDataItemRecordFilePathChanged>(
      Convert::ChangedFromVariant(Convert::ChangedToVariant(paths)));
  ASSERT_TRUE(paths_back);
  EXPECT_EQ(paths_back->record_file_path_map, paths.record_file_path_map);

  tagRecordDataItemRedDotStatusChanged dot;
  dot.changed_reason = kRecordChangedRedDotStatus;
  dot.is_show_red_dot = true;
  EXPECT_TRUE(Convert::ChangedToVariant(dot).GetBool("is_show_red_dot"));

  tagRecordDataItemChanged removed;
  removed.changed_reason = kRecordChangedRemoved;
  EXPECT_EQ(Convert::ChangedToVariant(removed).Size(), 5u);
}

TEST(RecordDataConvertUtilsTest, ReasonTwoAndMismatchedStructuresMakeNoNotification) {
  base::logging::ScopedLogCapture logs;
  tagRecordDataItemChanged changed;
  changed.changed_reason = kRecordChangedNotImplemented;
  EXPECT_TRUE(Convert::ChangedToVariant(changed).IsNull());
  EXPECT_TRUE(logs.Contains("Not implement."));
  Variant map;
  map.Set("changed_reason", 2);
  EXPECT_EQ(Convert::ChangedFromVariant(map), nullptr);
  map.Set("changed_reason", 99);
  EXPECT_EQ(Convert::ChangedFromVariant(map), nullptr);

  changed.changed_reason = kRecordChangedCover;  // says cover, but is the plain structure
  EXPECT_TRUE(Convert::ChangedToVariant(changed).IsNull());
}

}  // namespace
}  // namespace quick_record
