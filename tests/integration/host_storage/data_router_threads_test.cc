// The data router with real threads: many senders at once, handlers on the worker thread
// against a real SQLite database, every answer exactly once on the main looper.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_router_request.h"
#include "host/base/datarouter/default_db_request_handler.h"
#include "host/base/threading/host_loopers.h"
#include "host/util/scoped_temp_dir.h"

namespace {

using base::database::SQLiteDatabase;
using base::datarouter::DataRouteRequestPacket;
using base::datarouter::DataRouteResponsePacket;
using base::datarouter::DataRouter;
using base::variant::Variant;

class LogFactory : public DataRouter::HandlerFactory {
 public:
  explicit LogFactory(std::string path) : path_(std::move(path)) {}
  void Init() override {
    db_ = base::database::OpenOrCreateDatabase(path_);
    db_->Execute("CREATE TABLE log(id INTEGER PRIMARY KEY AUTOINCREMENT, sender INT, seq INT)");
  }
  std::shared_ptr<DataRouter::Handler> CreateHandler(const std::shared_ptr<DataRouteRequestPacket>& request) override {
    if (request->uri() != "dataroute:test:append") return nullptr;
    return KOVANI_DATA_ROUTE::DefaultDBRequestHandler::Create(
        request, db_,
        [this](const std::shared_ptr<DataRouteRequestPacket>& req, const std::shared_ptr<SQLiteDatabase>& db,
               const std::shared_ptr<DataRouteResponsePacket>& response) {
          // One request at a time: a second handler running now would be a bug.
          EXPECT_EQ(running_.fetch_add(1), 0);
          response->SetSuccess(db && db->Execute("INSERT INTO log(sender, seq) VALUES (?, ?)",
                                                 {req->body().GetInt32("sender"), req->body().GetInt32("seq")}));
          running_.fetch_sub(1);
        });
  }

 private:
  std::string path_;
  std::shared_ptr<SQLiteDatabase> db_;
  std::atomic<int> running_{0};
};

TEST(DataRouterThreadsTest, ConcurrentSendersAreEachAnsweredOnceInTheirOwnOrder) {
  util::file::ScopedTempDir dir;
  base::threading::HostLoopers loopers;
  auto router = base::datarouter::CreateDataRouter(base::threading::LooperThread::WorkerLooper());
  base::datarouter::DataRouteService service(router, std::make_shared<LogFactory>(dir.Child("log.db")));

  constexpr int kSenders = 4;
  constexpr int kPerSender = 250;
  std::map<std::pair<int, int>, int> answers;  // touched on the main looper only
  int failures = 0;
  std::vector<std::thread> senders;
  for (int sender = 0; sender < kSenders; ++sender) {
    senders.emplace_back([&, sender] {
      for (int seq = 0; seq < kPerSender; ++seq) {
        Variant body;
        body.Set("sender", sender);
        body.Set("seq", seq);
        // Threads without a looper are answered on the main looper.
        base::datarouter::CreateDataRouterRequest(router, seq % 50 == 49 ? "dataroute:test:unknown" : "dataroute:test:append", body)
            ->SendAsync([&, sender, seq](const auto&, const std::shared_ptr<DataRouteResponsePacket>& response) {
              EXPECT_TRUE(base::threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread());
              ++answers[{sender, seq}];
              failures += response->success() ? 0 : 1;
            });
      }
    });
  }
  for (auto& thread : senders) thread.join();
  ASSERT_TRUE(loopers.RunMainLoopUntil([&] { return answers.size() == kSenders * kPerSender; }, 60000));
  loopers.RunMainLoopUntil([] { return false; }, 200);  // nothing more may arrive
  for (const auto& [key, count] : answers) {
    ASSERT_EQ(count, 1) << key.first << "/" << key.second;
  }
  EXPECT_EQ(failures, kSenders * (kPerSender / 50));

  // Within each sender, rows were written in the order it sent them.
  auto db = base::database::OpenOrCreateDatabase(dir.Child("log.db"));
  auto rows = db->Compile("SELECT sender, seq FROM log ORDER BY id");
  std::map<int, int> last_seq;
  int total = 0;
  while (rows->Step() == base::database::SQLiteStatement::StepResult::kRow) {
    const int sender = rows->ColumnInt(0);
    const int seq = rows->ColumnInt(1);
    if (last_seq.contains(sender)) {
      EXPECT_GT(seq, last_seq[sender]);
    }
    last_seq[sender] = seq;
    ++total;
  }
  EXPECT_EQ(total, kSenders * (kPerSender - kPerSender / 50));
}

}  // namespace
