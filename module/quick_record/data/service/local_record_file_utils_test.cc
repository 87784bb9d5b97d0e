#include "module/quick_record/data/service/local_record_file_utils.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"
#include "host/util/crypto.h"

namespace quick_record {
namespace {

using Files = std::vector<std::string>;

TEST(LocalRecordFileUtilsTest, AConvertedRecordingBringsItsRawStreams) {
  EXPECT_EQ(
      LocalRecordFileUtils::GetAllRecordFilePath("/r/x.y/meeting_20240101.mp4"),
      (Files{"/r/x.y/meeting_20240101.mp4", "/r/x.y/double_click_to_convert_20240101.kovtv",
             "/r/x.y/double_click_to_convert_20240101.kovtc", "/r/x.y/double_click_to_convert_20240101.kovta",
             "/r/x.y/double_click_to_convert_20240101.kovtvidx", "/r/x.y/double_click_to_convert_20240101.kovtaidx"}));
}

TEST(LocalRecordFileUtilsTest, ARawRecordingBringsItsStreamsAndTheUnfinishedConversion) {
  EXPECT_EQ(LocalRecordFileUtils::GetAllRecordFilePath("/meeting_dir/double_click_to_convert_7.kovtv"),
            (Files{"/meeting_dir/double_click_to_convert_7.kovtv", "/meeting_dir/double_click_to_convert_7.kovtc",
                   "/meeting_dir/double_click_to_convert_7.kovta", "/meeting_dir/double_click_to_convert_7.kovtvidx",
                   "/meeting_dir/double_click_to_convert_7.kovtaidx", "/meeting_dir/meeting_7.mp4.tmp"}));
}

TEST(LocalRecordFileUtilsTest, EmptyAndOtherPathsHaveNoFiles) {
  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(LocalRecordFileUtils::GetAllRecordFilePath("").empty());
  EXPECT_TRUE(logs.Contains("path is empty"));
  EXPECT_TRUE(LocalRecordFileUtils::GetAllRecordFilePath("/r/notes.txt").empty());
  EXPECT_TRUE(logs.Contains("path is invalid "));
}

TEST(LocalRecordFileUtilsTest, UnreadableVideosAreAllZero) {
  EXPECT_EQ(LocalRecordFileUtils::GetVideoInfoDuration("/nonexistent/meeting_1.mp4"), 0);
  const auto info = LocalRecordFileUtils::AnalysisRecordLengthAndRatio("/nonexistent/meeting_1.mp4");
  EXPECT_EQ(info, (std::map<std::string, int64_t>{{"duration_ms", 0}, {"height", 0}, {"width", 0}}));
}

TEST(LocalRecordFileUtilsTest, AHistoryMeetingBecomesOneRecordPerFile) {
  PluginHistoryLocalRecordInfo meeting;
  meeting.app_id = "a";
  meeting.app_uid = "u";
  meeting.meeting_id = "m";
  meeting.period_id = "p";
  meeting.meeting_code = "123";
  meeting.meeting_screen_record_files = R"({"/r/meeting_1.mp4": "1700000000", "/r/meeting_2.mp4": "oops"})";
  const auto records = LocalRecordFileUtils::ConvertPluginHistoryLocalRecordInfo(meeting);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].instance_id, util::crypto::Md5("/r/meeting_1.mp4"));
  EXPECT_EQ(records[0].start_record_time, 1700000000);
  EXPECT_EQ(records[0].meeting_code, "123");
  EXPECT_EQ(records[0].cover_path, "/r/meeting_1.jpg");
  EXPECT_EQ(records[0].data_type, kLocalDataTypeMeetingRecord);
  EXPECT_EQ(records[1].start_record_time, 0);

  for (const char* none : {"", "null", "[1, 2]", "{broken"}) {
    meeting.meeting_screen_record_files = none;
    EXPECT_TRUE(LocalRecordFileUtils::ConvertPluginHistoryLocalRecordInfo(meeting).empty()) << none;
  }
}

}  // namespace
}  // namespace quick_record
