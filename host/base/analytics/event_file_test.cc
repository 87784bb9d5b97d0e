#include "host/base/analytics/event_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/base/json/json_value.h"
#include "host/util/file.h"
#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"

namespace base::analytics {
namespace {

TEST(EventFileTest, DefaultFileIsUnderTheUserDataDirectory) {
  util::ScopedEnv xdg("XDG_DATA_HOME", "/data");
  EXPECT_EQ(DefaultEventFilePath(), "/data/quickrec/analytics/events.jsonl");
}

TEST(EventFileTest, AcceptedEventsBecomeJsonLinesAndOthersAreRefused) {
  util::file::ScopedTempDir dir;
  const std::string path = dir.Child("analytics/events.jsonl");
  auto sink = OpenEventFile(path);
  ASSERT_TRUE(sink);
  EXPECT_TRUE(LogEvent("e#recording_page#record_card#click"));
  EXPECT_TRUE(LogEventWithProperties("e#meetlog_db_open_time_cost", {{"cost_time", "12"}, {"db_name", "local_record_data"}}));
  EXPECT_FALSE(LogEvent("recording_page#click"));
  EXPECT_FALSE(LogEvent("E#upper"));
  EXPECT_FALSE(LogEventWithProperty("", "k", "v"));
  RemoveSink(sink);
  EXPECT_TRUE(LogEvent("e#after_removal"));

  std::string contents;
  ASSERT_TRUE(util::file::ReadFileToString(path, &contents));
  std::istringstream lines(contents);
  std::vector<base::json::JsonValue> events;
  for (std::string line; std::getline(lines, line);) events.push_back(base::json::JsonValue::Parse(line));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["name"].AsString(), "e#recording_page#record_card#click");
  EXPECT_EQ(events[1]["name"].AsString(), "e#meetlog_db_open_time_cost");
  EXPECT_EQ(events[1]["properties"]["cost_time"].AsString(), "12");
  EXPECT_EQ(events[1]["properties"]["db_name"].AsString(), "local_record_data");
  EXPECT_GT(events[1]["time_ms"].AsInteger(), 0);
}

TEST(EventFileTest, AnUncreatableDirectoryGivesNoSink) {
  util::file::ScopedTempDir dir;
  ASSERT_TRUE(util::file::WriteFileAtomically(dir.Child("file"), "x"));
  EXPECT_EQ(OpenEventFile(dir.Child("file/events.jsonl")), nullptr);
}

}  // namespace
}  // namespace base::analytics
