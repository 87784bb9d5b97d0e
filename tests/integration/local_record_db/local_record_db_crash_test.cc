// The local record database under kill -9: a child process saves uploading items and their
// progress in a loop and is killed at random moments; afterwards the file must pass SQLite's
// integrity check and hold every item whose save the child saw complete.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_db_schema.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/db/local_record_data_uris.h"
#include "killed_child.h"

namespace quick_record {
namespace {

using base::database::SQLiteStatement;
using base::datarouter::DataRouteRequestPacket;
using base::variant::Variant;

std::string InstanceId(uint32_t n) { return "upload-" + std::to_string(n); }

// Runs one request through the factory's handler, as the router does on its looper.
bool Handle(LocalRecordDataDBDataRouteHandlerFactory& factory, const char* uri, Variant body) {
  auto handler = factory.CreateHandler(std::make_shared<DataRouteRequestPacket>(uri, std::move(body)));
  auto response = base::datarouter::CreateDataRouteResponsePacket();
  handler->Handle(response);
  return response->success();
}

// Runs in the child: saves uploading item after item, each followed by a progress update, and
// reports each number whose save completed on `fd`.
[[noreturn]] void SaveForever(const std::string& dir, uint32_t first, int fd) {
  LocalRecordDataDBDataRouteHandlerFactory factory(dir);
  factory.Init();
  for (uint32_t i = first;; ++i) {
    auto save = std::make_shared<PluginSaveOrUpdateLocalDataListReq>();
    PluginSaveOrUpdateLocalDataReqInfo item;
    item.app_id = "app";
    item.app_uid = "alice";
    item.instance_id = InstanceId(i);
    item.record_title = std::string(64 + i % 512, 't');
    item.local_file_path = "/rec/" + item.instance_id + ".mp4";
    item.start_record_time = i;
    item.upload_status = 1;
    item.total_size = 1 << 20;
    item.data_type = kLocalDataTypeQuickRecord;
    save->items.push_back(item);
    if (!Handle(factory, local_record_uri::kSaveOrUpdateLocalData, Variant::FromShared(save))) _exit(4);
    if (::write(fd, &i, sizeof i) != sizeof i) _exit(5);
    auto progress = std::make_shared<SaveOrUpdateLocalDataColumnReqInfo>();
    progress->app_id = "app";
    progress->app_uid = "alice";
    progress->instance_id = item.instance_id;
    progress->columns = {{"uploaded_size", Variant(int64_t{i} * 1024)}};
    if (!Handle(factory, local_record_uri::kUpdateLocalDataColumns, Variant::FromShared(progress))) _exit(6);
  }
}

TEST(LocalRecordDbCrashTest, KilledWritersLeaveAnIntactFileWithEveryCompletedSave) {
  util::file::ScopedTempDir dir;
  const std::string path = dir.Child(local_record_db::DatabaseFileName());
  std::mt19937 random(20261206);
  uint32_t next_first = 0;
  uint32_t committed_total = 0;
  int kept_in_flight = 0;
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    const uint32_t first = next_first;
    KilledChild child([&](int fd) { SaveForever(dir.path(), first, fd); });
    ASSERT_TRUE(child.started());
    // A few completed saves, then a kill a random moment later.
    const int saves_before_kill = 1 + static_cast<int>(random() % 8);
    int64_t reported = -1;  // the last number whose save the child saw complete
    for (int i = 0; i < saves_before_kill; ++i) {
      uint32_t n;
      if (!child.ReadNumber(&n)) break;
      reported = n;
    }
    const auto spin_until = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 3000);
    while (std::chrono::steady_clock::now() < spin_until) {
    }
    ASSERT_TRUE(child.Kill());
    uint32_t n;
    while (child.ReadNumber(&n)) reported = n;
    ASSERT_GE(reported, static_cast<int64_t>(first)) << "round " << round;

    auto db = base::database::SQLiteDatabase::Open(path, false);
    ASSERT_TRUE(db) << "round " << round;
    auto check = db->Compile("PRAGMA integrity_check");
    ASSERT_EQ(check->Step(), SQLiteStatement::StepResult::kRow);
    ASSERT_EQ(check->ColumnText(0), "ok") << "round " << round;
    auto last = db->Compile("SELECT COUNT(*), MAX(start_record_time) FROM local_record_data");
    ASSERT_EQ(last->Step(), SQLiteStatement::StepResult::kRow);
    const int64_t rows = last->ColumnInt64(0);
    const int64_t newest = last->ColumnIsNull(1) ? -1 : last->ColumnInt64(1);
    // Saves are numbered without gaps, so the rows are exactly 0..newest: every reported save is
    // there, and at most the one in flight besides.
    ASSERT_EQ(rows, newest + 1) << "round " << round;
    ASSERT_GE(newest, reported) << "round " << round;
    ASSERT_LE(newest, reported + 1) << "round " << round;
    kept_in_flight += newest == reported + 1 ? 1 : 0;
    committed_total = static_cast<uint32_t>(rows);
    next_first = static_cast<uint32_t>(newest + 1);
  }
  std::printf("%d kills, %u rows kept, %d kills kept the save in flight\n", kRounds, committed_total, kept_in_flight);
}

}  // namespace
}  // namespace quick_record
