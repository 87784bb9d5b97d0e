// Local record database queries with 100,000 rows of one user, and the conversion of cloud list
// items into the shared record type. Targets: each page and the red-dot counts under 1 ms, the
// conversion and sort of 10,000 items under 10 ms. After the table, the query plan of each query.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"
#include "host/base/logging/logger.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_db_schema.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/db/local_record_data_uris.h"
#include "module/quick_record/data/record/cloud_record_item_converter.h"

namespace quick_record {
namespace {

using base::variant::Variant;
namespace uri = local_record_uri;

constexpr int kRows = 100'000;
constexpr int64_t kBaseTime = 1'700'000'000;

// The database, filled once for all benchmarks: one user's rows, quick and meeting recordings,
// about half visited and a third finished, plus a red dot for every hundredth row (uploads in
// progress or finished and not yet seen). A second user, bob, has a red dot on each of 100,000
// recordings: the worst case of the red-dot count. No ANALYZE: the module never runs one either.
class Fixture {
 public:
  static Fixture& Get() {
    static Fixture fixture;
    return fixture;
  }

  // Runs one request through its handler, as the data router does.
  std::shared_ptr<base::datarouter::DataRouteResponsePacket> Handle(const char* route, Variant body) {
    auto handler =
        factory_.CreateHandler(std::make_shared<base::datarouter::DataRouteRequestPacket>(route, std::move(body)));
    auto response = base::datarouter::CreateDataRouteResponsePacket();
    handler->Handle(response);
    return response;
  }

  template <typename T>
  static std::shared_ptr<T> Owned() {
    auto request = std::make_shared<T>();
    request->app_id = "app";
    request->app_uid = "alice";
    return request;
  }

  std::shared_ptr<base::database::SQLiteDatabase> db() {
    return base::database::SQLiteDatabase::Open(dir_.Child(local_record_db::DatabaseFileName()), false);
  }

 private:
  Fixture() : factory_(dir_.path()) {
    base::logging::SetLevel(1);
    factory_.Init();
    std::mt19937 random(7);
    for (int batch = 0; batch < kRows / 1000; ++batch) {
      auto save = std::make_shared<PluginSaveOrUpdateLocalDataListReq>();
      auto dots = std::make_shared<DbSaveOrUpdateLocalRecordRedDotListReq>();
      for (int i = batch * 1000; i < (batch + 1) * 1000; ++i) {
        PluginSaveOrUpdateLocalDataReqInfo row;
        row.app_id = "app";
        row.app_uid = "alice";
        row.instance_id = "instance-" + std::to_string(i);
        row.meeting_id = "meeting-" + std::to_string(i / 4);
        row.period_id = "1";
        row.record_title = "Recording " + std::to_string(i);
        row.local_file_path = "/home/alice/quickrec/" + row.instance_id + ".mp4";
        row.video_md5 = i % 2 ? "0123456789abcdef0123456789abcdef" : "";
        row.start_record_time = kBaseTime + i * 60;
        row.last_visited_time = random() % 2 ? kBaseTime + static_cast<int64_t>(random() % (kRows * 60)) : 0;
        row.finished_time = i % 3 == 0 ? row.start_record_time + 600 : 0;
        row.data_type = i % 5 == 0 ? kLocalDataTypeMeetingRecord : kLocalDataTypeQuickRecord;
        row.upload_status = 1 + i % 3;
        save->items.push_back(row);
        if (i % 100 == 0) {
          LocalRecordRedDotData dot;
          dot.app_id = "app";
          dot.app_uid = "alice";
          dot.instance_id = row.instance_id;
          dot.meeting_id = row.meeting_id;
          dot.period_id = "1";
          dot.data_type = (i / 100) % 2;
          dot.state = (i / 200) % 3;
          dots->items.push_back(dot);
        }
      }
      for (int i = batch * 1000; i < (batch + 1) * 1000; ++i) {
        LocalRecordRedDotData dot;
        dot.app_id = "app";
        dot.app_uid = "bob";
        dot.instance_id = "instance-" + std::to_string(i);
        dot.meeting_id = "meeting-" + std::to_string(i / 4);
        dot.period_id = "1";
        dot.data_type = i % 2;
        dot.state = (i / 2) % 3;
        dots->items.push_back(dot);
      }
      Handle(uri::kSaveOrUpdateLocalData, Variant::FromShared(save));
      Handle(uri::kSaveOrUpdateLocalRecordRedDotData, Variant::FromShared(dots));
    }
  }

  util::file::ScopedTempDir dir_;
  LocalRecordDataDBDataRouteHandlerFactory factory_;
};

// A page of 20 from the middle of the list.
void RunPage(benchmark::State& state, const char* route, bool visited) {
  auto& fixture = Fixture::Get();
  std::shared_ptr<PluginGetLocalRecordDataListReq> request =
      visited ? Fixture::Owned<PluginGetRecentLocalRecordDataListReq>()
              : Fixture::Owned<PluginGetLocalRecordDataListReq>();
  request->data_type = kLocalDataTypeBoth;
  request->time = kBaseTime + kRows * 30;
  request->page_size = 20;
  const Variant body =
      visited ? Variant::FromShared(std::static_pointer_cast<PluginGetRecentLocalRecordDataListReq>(request))
              : Variant::FromShared(request);
  for (auto _ : state) {
    auto response = fixture.Handle(route, body);
    auto page = response->Object<LocalRecordDataListResp>();
    if (!page || page->items.size() != 21) state.SkipWithError("the page did not come back full");
    benchmark::DoNotOptimize(page);
  }
}

void BM_PageByStartTime(benchmark::State& state) { RunPage(state, uri::kQueryLocalRecordDataListByStartTime, false); }
void BM_PageByUpdateTime(benchmark::State& state) { RunPage(state, uri::kQueryLocalRecordDataListByUpdateTime, false); }
void BM_PageByVisitedTime(benchmark::State& state) {
  RunPage(state, uri::kQueryLocalRecordDataListByVisitedTime, true);
}

// Arg 0: alice's 1,000 red dots; arg 1: bob's 100,000.
void BM_RedDotCounts(benchmark::State& state) {
  auto& fixture = Fixture::Get();
  auto request = Fixture::Owned<DbOperateCommonReq>();
  if (state.range(0) == 1) request->app_uid = "bob";
  const Variant body = Variant::FromShared(request);
  for (auto _ : state) {
    auto counts = fixture.Handle(uri::kQueryLocalRecordRedDotDataNum, body)->Object<DbQueryLocalRecordRedDotNumResp>();
    if (!counts || counts->quick_record_handling_cnt == 0) state.SkipWithError("no counts");
    benchmark::DoNotOptimize(counts);
  }
}

std::vector<CloudRecordItemResp> CloudItems(int count) {
  std::vector<CloudRecordItemResp> items(count);
  std::mt19937 random(11);
  for (int i = 0; i < count; ++i) {
    auto& r = items[i];
    r.record_id = std::to_string(1234567890123456789ull + i);
    r.file_id = "file-" + std::to_string(i);
    r.uni_record_id = "qr" + std::to_string(i);
    r.title = "Weekly sync " + std::to_string(i);
    r.start_time = std::to_string(1'700'000'000'000 + random() % 1'000'000'000);
    r.end_time = std::to_string(1'700'000'100'000 + random() % 1'000'000'000);
    r.duration = std::to_string(random() % 3'600'000);
    r.cover_url = "https://cos.example/covers/" + r.record_id + ".jpg?sign=abcdef";
    r.jump_path = "/play/" + r.uni_record_id + "?from=list";
    r.jump_path_short = "s/" + r.uni_record_id;
    r.record_state = "1";
    r.recorder_uid = "alice";
    r.recorder_username = "Alice";
    r.recorder_avatar = "https://cdn.example/avatar/alice.png";
    r.meeting_info = {"Sync", "123456789", "m" + std::to_string(i)};
    r.record_type = i % 3;
    r.sort_num = 1'700'000'000'000 + random() % 1'000'000'000;
    r.share_url = "https://web.example/s/" + r.uni_record_id;
  }
  return items;
}

void BM_ConvertAndSortCloudItems(benchmark::State& state) {
  const auto items = CloudItems(10'000);
  for (auto _ : state) {
    auto records = CloudRecordItemConverter::ConvertAllNewestFirst(items, kRecordTableAll);
    benchmark::DoNotOptimize(records.data());
  }
}

BENCHMARK(BM_PageByStartTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageByUpdateTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageByVisitedTime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedDotCounts)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertAndSortCloudItems)->Unit(benchmark::kMillisecond);

// Rows: name | ours | target | ratio | note.
class TableReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    static const std::map<std::string, std::pair<std::string, double>> rows = {
        {"BM_PageByStartTime", {"local db: 20-row page by start time", 1e-3}},
        {"BM_PageByUpdateTime", {"local db: 20-row page by update time", 1e-3}},
        {"BM_PageByVisitedTime", {"local db: 20-row page by visited time", 1e-3}},
        {"BM_RedDotCounts/0", {"local db: red-dot counts, 1,000 dots", 1e-3}},
        {"BM_RedDotCounts/1", {"local db: red-dot counts, 100,000 dots", 1e-3}},
        {"BM_ConvertAndSortCloudItems", {"convert + sort 10,000 cloud items", 10e-3}},
    };
    for (const Run& run : runs) {
      const std::string& args = run.run_name.args;
      const auto row = rows.find(run.run_name.function_name + (args.empty() ? "" : "/" + args));
      if (row == rows.end()) continue;
      if (run.error_occurred) {
        std::printf("%-44s | FAILED: %s\n", row->second.first.c_str(), run.error_message.c_str());
        continue;
      }
      // CPU time: the machine is shared, and wall time would count the other processes' turns.
      const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const double wall = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const double target = row->second.second;
      std::printf("%-44s | %-16s | %-16s | %-8.3f | %s\n", row->second.first.c_str(), Format(seconds).c_str(),
                  ("< " + Format(target)).c_str(), seconds / target,
                  ("CPU time against the target; wall " + Format(wall)).c_str());
    }
  }

 private:
  static std::string Format(double seconds) {
    char text[32];
    if (seconds < 1e-3) {
      std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    } else {
      std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    }
    return text;
  }
};

// The SQL the handlers logged ("sql=") for each query, with the plan SQLite chose for it.
void PrintQueryPlans() {
  auto& fixture = Fixture::Get();
  base::logging::ScopedLogCapture logs;
  auto page = Fixture::Owned<PluginGetLocalRecordDataListReq>();
  page->data_type = kLocalDataTypeBoth;
  page->page_size = 20;
  fixture.Handle(uri::kQueryLocalRecordDataListByStartTime, Variant::FromShared(page));
  fixture.Handle(uri::kQueryLocalRecordDataListByUpdateTime, Variant::FromShared(page));
  auto recent = Fixture::Owned<PluginGetRecentLocalRecordDataListReq>();
  recent->data_type = kLocalDataTypeBoth;
  recent->page_size = 20;
  fixture.Handle(uri::kQueryLocalRecordDataListByVisitedTime, Variant::FromShared(recent));
  fixture.Handle(uri::kQueryLocalRecordRedDotDataNum, Variant::FromShared(Fixture::Owned<DbOperateCommonReq>()));
  auto db = fixture.db();
  std::printf("\nQuery plans (EXPLAIN QUERY PLAN):\n");
  for (const auto& record : logs.sink().Records()) {
    const size_t at = record.message.find("sql=");
    if (at == std::string::npos) continue;
    const std::string sql = record.message.substr(at + 4);
    std::printf("%s\n", sql.c_str());
    auto plan = db->Compile("EXPLAIN QUERY PLAN " + sql);
    while (plan && plan->Step() == base::database::SQLiteStatement::StepResult::kRow) {
      std::printf("    %s\n", plan->ColumnText(3).c_str());
    }
  }
}

}  // namespace
}  // namespace quick_record

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  quick_record::TableReporter table;
  benchmark::RunSpecifiedBenchmarks(&table);
  quick_record::PrintQueryPlans();
  benchmark::Shutdown();
  return 0;
}
