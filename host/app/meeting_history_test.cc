#include "host/app/meeting_history.h"

#include <gtest/gtest.h>

#include "host/base/json/json_value.h"
#include "host/util/crypto.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace host::app {
namespace {

std::string Files(MeetingHistory& history, const std::string& meeting_id) {
  auto statement = history.database()->Compile(
      "SELECT meeting_screen_record_files FROM historical_meetings_new WHERE meeting_id = ?");
  statement->BindText(1, meeting_id);
  return statement->Step() == base::database::SQLiteStatement::StepResult::kRow ? statement->ColumnText(0) : "";
}

TEST(MeetingHistoryTest, CreatesTheMd5NamedFileWithItsTable) {
  util::file::ScopedTempDir dir;
  const std::string directory = dir.path() + "/db/";
  auto history = MeetingHistory::Open(directory);
  ASSERT_TRUE(history);
  EXPECT_TRUE(util::file::IsFileExist(directory + util::crypto::Md5("historical_meetings_new") + ".db"));
  EXPECT_TRUE(history->database()->TableExists("historical_meetings_new"));
  EXPECT_TRUE(history->database()->ColumnExists("historical_meetings_new", "meeting_join_time"));
}

TEST(MeetingHistoryTest, RecordingsOfAMeetingAreMembersOfOneJsonObject) {
  util::file::ScopedTempDir dir;
  auto history = MeetingHistory::Open(dir.path() + "/");
  ASSERT_TRUE(history);
  const MeetingHistory::Meeting meeting{"app", "alice", "m1", "p1", "123", "Sync", 1000};
  ASSERT_TRUE(history->AddLocalRecording(meeting, "/r/meeting_1.mp4", 1700000000));
  ASSERT_TRUE(history->AddLocalRecording(meeting, "/r/it's \"odd\".mp4", 1700000001));
  ASSERT_TRUE(history->AddLocalRecording(meeting, "/r/meeting_1.mp4", 1700000002));  // replaces
  const auto files = base::json::JsonValue::Parse(Files(*history, "m1"));
  ASSERT_TRUE(files.IsObject());
  EXPECT_EQ(files["/r/meeting_1.mp4"].AsString(), "1700000002");
  EXPECT_EQ(files["/r/it's \"odd\".mp4"].AsString(), "1700000001");
  auto count = history->database()->Compile("SELECT COUNT(*) FROM historical_meetings_new");
  ASSERT_EQ(count->Step(), base::database::SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt64(0), 1);
}

}  // namespace
}  // namespace host::app
