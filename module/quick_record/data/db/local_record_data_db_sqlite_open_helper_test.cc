#include "module/quick_record/data/db/local_record_data_db_sqlite_open_helper.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "host/base/analytics/analytics.h"
#include "host/base/datarouter/data_route_packet.h"
#include "host/base/logging/logger.h"
#include "host/util/crypto.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/db/local_record_data_uris.h"

namespace quick_record {
namespace {

using base::database::SQLiteDatabase;
using base::database::SQLiteStatement;
using base::variant::Variant;

int64_t Scalar(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql) {
  auto statement = db->Compile(sql);
  if (!statement || statement->Step() != SQLiteStatement::StepResult::kRow) return -1;
  return statement->ColumnInt64(0);
}

std::vector<std::string> Indexes(const std::shared_ptr<SQLiteDatabase>& db) {
  std::vector<std::string> names;
  auto statement =
      db->Compile("SELECT name FROM sqlite_master WHERE type = 'index' AND name NOT LIKE 'sqlite_%' ORDER BY name");
  while (statement->Step() == SQLiteStatement::StepResult::kRow) names.push_back(statement->ColumnText(0));
  return names;
}

class LocalRecordDataDBSQLiteOpenHelperTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.Child(util::crypto::Md5("local_record_data") + ".db"); }

  std::shared_ptr<SQLiteDatabase> Open() {
    LocalRecordDataDBSQLiteOpenHelper helper(dir_.path());
    if (!helper.CreateDB()) return nullptr;
    return helper.GetDatabase();
  }

  // A database file as the given schema version left it, with two rows of one user and a sync row.
  void MakeOldDatabase(int version) {
    auto db = base::database::OpenOrCreateDatabase(Path());
    ASSERT_TRUE(db);
    std::string columns =
        "id INTEGER PRIMARY KEY AUTOINCREMENT, app_id TEXT NOT NULL, app_uid TEXT NOT NULL, instance_id TEXT NOT NULL, "
        "meeting_id TEXT NOT NULL, period_id TEXT NOT NULL, record_title TEXT, local_file_path TEXT, meeting_code "
        "TEXT, cover_path TEXT, record_id TEXT, complete_jump_url TEXT, video_md5 TEXT, start_record_time INT, "
        "record_end_time INT, last_visited_time INT, width INT, height INT, video_length INT, upload_status INT, "
        "uploaded_size INT, total_size INT, fail_reason INT, retry_action INT, is_record_complete BOOLEAN, "
        "is_recovery_upload BOOLEAN, data_type INT, record_time_duration INT, is_window_capture BOOLEAN, record_flag "
        "INT";
    if (version >= 3) columns += ", finished_time INT";
    ASSERT_TRUE(db->Execute("CREATE TABLE local_record_data(" + columns + ", UNIQUE (app_id,app_uid,instance_id));"));
    ASSERT_TRUE(
        db->Execute(std::string("CREATE TABLE sync_record(id INTEGER PRIMARY KEY AUTOINCREMENT, app_id TEXT NOT "
                                "NULL, app_uid TEXT NOT NULL, is_sync_success BOOLEAN") +
                    (version >= 3 ? ", sync_version INT" : "") + ", UNIQUE (app_id,app_uid));"));
    if (version >= 4) {
      ASSERT_TRUE(db->Execute(
          "CREATE TABLE local_record_red_dot(id INTEGER PRIMARY KEY AUTOINCREMENT, app_id TEXT NOT NULL, app_uid TEXT "
          "NOT NULL, instance_id TEXT NOT NULL, meeting_id TEXT NOT NULL, period_id TEXT NOT NULL, data_type INT, "
          "state INT, UNIQUE (app_id,app_uid,instance_id));"));
      ASSERT_TRUE(
          db->Execute("INSERT INTO local_record_red_dot(app_id, app_uid, instance_id, meeting_id, period_id, "
                      "data_type, state) VALUES ('a', 'u', 'i1', 'm', 'p', 1, 2)"));
    }
    for (int i = 1; i <= 2; ++i) {
      ASSERT_TRUE(db->Execute(
          "INSERT INTO local_record_data(app_id, app_uid, instance_id, meeting_id, period_id, record_title, "
          "start_record_time, upload_status, is_window_capture, record_flag, data_type) VALUES ('a', 'u', ?, 'm', 'p', "
          "?, ?, 3, 1, 2, 1)",
          {Variant("i" + std::to_string(i)), Variant("title " + std::to_string(i)), Variant(int64_t{1000} * i)}));
    }
    ASSERT_TRUE(db->Execute("INSERT INTO sync_record(app_id, app_uid, is_sync_success) VALUES ('a', 'u', 1)"));
    ASSERT_TRUE(db->SetUserVersion(version));
  }

  util::file::ScopedTempDir dir_;
};

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, AFreshInstallHasThreeTablesTheirIndexesAndVersionFive) {
  base::analytics::ScopedEventCapture events;
  base::logging::ScopedLogCapture logs;
  auto db = Open();
  ASSERT_TRUE(db);
  EXPECT_EQ(db->GetUserVersion(), 5);
  EXPECT_TRUE(db->TableExists("local_record_data"));
  EXPECT_TRUE(db->TableExists("sync_record"));
  EXPECT_TRUE(db->TableExists("local_record_red_dot"));
  const auto indexes = Indexes(db);
  for (const char* name : {"local_record_data_index", "sync_record_index", "local_record_red_dot_index"}) {
    EXPECT_NE(std::find(indexes.begin(), indexes.end(), name), indexes.end()) << name;
  }
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM pragma_table_info('local_record_data')"), 32);
  EXPECT_EQ(Scalar(db, "SELECT cid FROM pragma_table_info('local_record_data') WHERE name = 'show_red_point'"), 31);
  EXPECT_TRUE(logs.Contains("hmKP:OpenOrCreateDB: db_name = local_record_data,md5_name:" +
                            util::crypto::Md5("local_record_data") + ".db, success = 1"));
  const auto opened = events.sink().EventsNamed("e#meetlog_db_open_time_cost");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].properties.at("db_name"), "local_record_data");
  EXPECT_FALSE(opened[0].properties.at("cost_time").empty());
}

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, UpgradesFromEveryOlderVersionKeepRowsAndDefaultNewColumns) {
  for (int version = 1; version <= 4; ++version) {
    SCOPED_TRACE(version);
    util::file::Remove(Path());
    MakeOldDatabase(version);
    auto db = Open();
    ASSERT_TRUE(db);
    EXPECT_EQ(db->GetUserVersion(), 5);
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_data"), 2);
    EXPECT_EQ(Scalar(db, "SELECT start_record_time FROM local_record_data WHERE instance_id = 'i2'"), 2000);
    EXPECT_EQ(Scalar(db,
                     "SELECT upload_status + record_flag + is_window_capture FROM local_record_data "
                     "WHERE instance_id = 'i1'"),
              6);
    // Columns the old version lacked read their defaults.
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_data WHERE show_red_point = 0"), 2);
    if (version < 3) {
      EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_data WHERE finished_time = 0"), 2);
    }
    EXPECT_EQ(Scalar(db, "SELECT is_sync_success FROM sync_record"), 1);
    EXPECT_EQ(Scalar(db, "SELECT sync_version FROM sync_record"), 0);
    EXPECT_TRUE(db->TableExists("local_record_red_dot"));
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_red_dot"), version >= 4 ? 1 : 0);
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM pragma_table_info('local_record_data')"), 32);
    const auto indexes = Indexes(db);
    EXPECT_NE(std::find(indexes.begin(), indexes.end(), "local_record_data_update_time_index"), indexes.end());
    EXPECT_NE(std::find(indexes.begin(), indexes.end(), "local_record_red_dot_index"), indexes.end());
    // A new row takes every column.
    EXPECT_TRUE(
        db->Execute("INSERT INTO local_record_data(app_id, app_uid, instance_id, meeting_id, period_id, "
                    "finished_time, show_red_point) VALUES ('a', 'u', 'new', '', '', 5, 1)"));
    db.reset();
    // Opening again changes nothing.
    db = Open();
    ASSERT_TRUE(db);
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_data"), 3);
  }
}

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, TheUpgradeListIntroducesEachColumnAtItsVersion) {
  int per_version[6] = {};
  for (const auto& column : local_record_db::kUpgradeColumns) ++per_version[column.version];
  EXPECT_EQ(per_version[1], 32);
  EXPECT_EQ(per_version[3], 2);
  EXPECT_EQ(per_version[4], 7);
  EXPECT_EQ(per_version[5], 1);
  EXPECT_STREQ(local_record_db::kUpgradeColumns[30].column_name, "show_red_point");
  EXPECT_STREQ(local_record_db::kUpgradeColumns[40].column_type, "TEXT");  // the red-dot data_type
}

// The factory answers every URI with a failure when the database could not be opened.
void ExpectEveryHandlerFails(const std::string& directory) {
  LocalRecordDataDBDataRouteHandlerFactory factory(directory);
  factory.Init();
  auto save = std::make_shared<PluginSaveOrUpdateLocalDataListReq>();
  save->items.resize(1);
  save->items[0].app_id = "a";
  save->items[0].app_uid = "u";
  save->items[0].instance_id = "i";
  auto owner = std::make_shared<DbOperateCommonReq>();
  owner->app_id = "a";
  owner->app_uid = "u";
  const std::vector<std::pair<const char*, Variant>> requests = {
      {local_record_uri::kSaveOrUpdateLocalData, Variant::FromShared(save)},
      {local_record_uri::kQueryLocalRecordRedDotDataNum, Variant::FromShared(owner)},
      {local_record_uri::kDeleteAllFinishedLocalRecordRedDotData, Variant::FromShared(owner)},
  };
  for (const auto& [uri, body] : requests) {
    auto request = std::make_shared<base::datarouter::DataRouteRequestPacket>(uri, body);
    auto handler = factory.CreateHandler(request);
    ASSERT_TRUE(handler) << uri;
    auto response = base::datarouter::CreateDataRouteResponsePacket();
    handler->Handle(response);
    EXPECT_FALSE(response->success()) << uri;
  }
}

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, AFileThatIsNotADatabaseIsLeftAloneAndEveryHandlerFails) {
  const std::string garbage(8192, 'z');
  ASSERT_TRUE(util::file::WriteFileAtomically(Path(), garbage));
  base::logging::ScopedLogCapture logs;
  EXPECT_FALSE(Open());
  EXPECT_TRUE(logs.Contains("hmKP:OpenOrCreate error,db_path:" + Path()));
  ExpectEveryHandlerFails(dir_.path());
  EXPECT_TRUE(logs.Contains("lrKP: invalid db["));
  std::string kept;
  ASSERT_TRUE(util::file::ReadFileToString(Path(), &kept));
  EXPECT_EQ(kept, garbage);
}

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, ATruncatedFileFailsCleanly) {
  {
    auto db = Open();
    ASSERT_TRUE(db);
    for (int i = 0; i < 300; ++i) {
      ASSERT_TRUE(
          db->Execute("INSERT INTO local_record_data(app_id, app_uid, instance_id, meeting_id, period_id, "
                      "record_title) VALUES ('a', 'u', ?, '', '', ?)",
                      {Variant(std::to_string(i)), Variant(std::string(200, 't'))}));
    }
  }
  ASSERT_GT(util::file::GetFileLength(Path()), 20000);
  ASSERT_EQ(::truncate(Path().c_str(), 6000), 0);
  base::logging::ScopedLogCapture logs;
  auto db = Open();
  if (db) {
    // The header survived: the damage shows when the rows are read.
    EXPECT_NE(Scalar(db, "PRAGMA integrity_check"), 0);
    EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM local_record_data"), -1);
  } else {
    EXPECT_TRUE(logs.Contains("hmKP:OpenOrCreate error,db_path:"));
    ExpectEveryHandlerFails(dir_.path());
  }
}

// Runs `check` in a child process without the right to write the directory or the file (as
// "nobody" when the test runs as root, whom permissions do not stop); answers its exit code.
int RunWithoutWriteAccess(const std::string& dir, const std::string& file, void (*check)(const std::string&)) {
  ::chmod(file.c_str(), 0444);
  ::chmod(dir.c_str(), 0555);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(90);
    check(dir);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::chmod(dir.c_str(), 0700);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(LocalRecordDataDBSQLiteOpenHelperTest, AReadOnlyFileFailsWithALogLineAndEveryHandlerFails) {
  ASSERT_TRUE(Open());
  const int code = RunWithoutWriteAccess(dir_.path(), Path(), [](const std::string& dir) {
    base::logging::ScopedLogCapture logs;
    LocalRecordDataDBSQLiteOpenHelper helper(dir);
    EXPECT_FALSE(helper.CreateDB());
    EXPECT_TRUE(logs.Contains("hmKP:OpenOrCreate error,db_path:"));
    ExpectEveryHandlerFails(dir);
  });
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace quick_record
