// qrhost puts local meeting recordings into the meeting history; the module migrates them from
// that real file.

#include <gtest/gtest.h>

#include <fstream>

#include "host/app/host_application.h"
#include "host/app/meeting_history.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/crypto.h"
#include "host/util/file.h"
#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/service/local_record_data_service.h"
#include "qrhost_process.h"

namespace {

TEST(QrhostMeetingHistoryTest, RecordingsAddedByQrhostAreMigratedByTheModule) {
  util::file::ScopedTempDir home;
  util::ScopedEnv data_home("XDG_DATA_HOME", home.path().c_str());
  const std::string config = home.Child("config.json");
  std::ofstream(config) << R"({"account": {"app_id": "app", "app_uid": "alice", "token": "t"}})";
  const ProcessRun run = RunQrhost("--config " + config +
                                       " add-meeting-recording --file /rec/meeting_1.mp4 --file /rec/meeting_2.mp4"
                                       " --meeting-id m7 --period-id p7 --time 1700000000",
                                   true);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const std::string database_dir = home.path() + "/quickrec/alice/database/";
  const std::string history_file =
      host::app::MeetingHistory::DatabaseFile(database_dir, host::app::MeetingHistory::kDatabaseName);
  EXPECT_NE(run.output.find("history: " + history_file), std::string::npos) << run.output;
  ASSERT_TRUE(util::file::IsFileExist(history_file));

  base::test::TestTaskEnvironment env;
  host::app::HostConfig host_config;
  host_config.account.app_id = "app";
  host_config.account.app_uid = "alice";
  host_config.account.token = "t";
  host::app::HostApplication app(host_config);
  auto history = std::make_shared<quick_record::HistoricalLocalRecordDataService>(database_dir, &env.worker_looper());
  auto service = std::make_shared<quick_record::LocalRecordDataService>(database_dir, &env.worker_looper(), history);
  bool saved = false;
  service->SyncHistoricalLocalRecordData([&](bool ok, bool) { saved = ok; });
  env.RunUntilIdle();
  EXPECT_TRUE(saved);
  quick_record::GetMeetingListReqInfo meeting;
  meeting.app_id = "app";
  meeting.app_uid = "alice";
  meeting.meeting_id = "m7";
  meeting.period_id = "p7";
  std::vector<quick_record::LocalRecordDataInfo> rows;
  service->GetMeetingLocalRecordList(meeting,
                                     [&](bool, std::vector<quick_record::LocalRecordDataInfo> found) { rows = found; });
  env.RunUntilIdle();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].start_record_time, 1700000000);
  EXPECT_EQ(rows[0].data_type, quick_record::kLocalDataTypeMeetingRecord);
}

TEST(QrhostMeetingHistoryTest, WithoutAFileOrAnAccountItRefuses) {
  EXPECT_EQ(RunQrhost("--config /nonexistent/config.json add-meeting-recording", true).exit_code, 2);
  util::file::ScopedTempDir home;
  util::ScopedEnv data_home("XDG_DATA_HOME", home.path().c_str());
  const ProcessRun run = RunQrhost("--config /nonexistent/config.json add-meeting-recording --file /a.mp4", true);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.output.find("nobody is signed in"), std::string::npos) << run.output;
}

}  // namespace
