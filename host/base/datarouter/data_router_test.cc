#include "host/base/datarouter/data_router.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/base/datarouter/data_router_request.h"
#include "host/base/datarouter/default_db_request_handler.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/scoped_temp_dir.h"

namespace base::datarouter {
namespace {

using base::threading::Looper;
using base::threading::LooperThread;
using base::variant::Variant;

// Answers "test:echo" with the request body and "test:fail" with a failure; logs what ran where.
class EchoFactory : public DataRouter::HandlerFactory {
 public:
  class Handler : public DataRouter::Handler {
   public:
    Handler(EchoFactory* factory, std::shared_ptr<DataRouteRequestPacket> request)
        : factory_(factory), request_(std::move(request)) {}
    void Handle(const std::shared_ptr<DataRouteResponsePacket>& response) override {
      factory_->handled.push_back(request_->body().GetInt32("n"));
      factory_->handler_loopers.push_back(LooperThread::CurrentLooper());
      if (request_->uri() == "test:throw") throw std::runtime_error("boom");
      if (request_->uri() == "test:echo") {
        response->SetSuccess(true);
        response->SetBody(request_->body());
      }
    }

   private:
    EchoFactory* factory_;
    std::shared_ptr<DataRouteRequestPacket> request_;
  };

  void Init() override {
    ++init_count;
    init_looper = LooperThread::CurrentLooper();
  }
  std::shared_ptr<DataRouter::Handler> CreateHandler(const std::shared_ptr<DataRouteRequestPacket>& request) override {
    if (request->uri().rfind("test:", 0) != 0) return nullptr;
    init_seen_before_handler = init_seen_before_handler && init_count == 1;
    return std::make_shared<Handler>(this, request);
  }

  int init_count = 0;
  bool init_seen_before_handler = true;
  Looper* init_looper = nullptr;
  std::vector<int> handled;
  std::vector<Looper*> handler_loopers;
};

struct Answer {
  std::shared_ptr<DataRouteResponsePacket> response;
  Looper* looper;
};

class DataRouterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    router_ = CreateDataRouter(LooperThread::WorkerLooper());
    factory_ = std::make_shared<EchoFactory>();
    service_ = std::make_unique<DataRouteService>(router_, factory_);
  }

  // Sends and collects every answer under the request's "n".
  void Send(const std::string& uri, int n) {
    Variant body;
    body.Set("n", n);
    auto request = CreateDataRouterRequest(router_, uri, body);
    ASSERT_TRUE(request->SendAsync([this, n](const std::shared_ptr<DataRouterRequest>& r,
                                             const std::shared_ptr<DataRouteResponsePacket>& response) {
      EXPECT_EQ(r->packet()->body().GetInt32("n"), n);
      answers_[n].push_back({response, LooperThread::CurrentLooper()});
      answer_order_.push_back(n);
    }));
  }

  base::test::TestTaskEnvironment env_;
  std::shared_ptr<DataRouter> router_;
  std::shared_ptr<EchoFactory> factory_;
  std::unique_ptr<DataRouteService> service_;
  std::map<int, std::vector<Answer>> answers_;
  std::vector<int> answer_order_;
};

TEST_F(DataRouterTest, KnownUriIsAnsweredOnceOnTheSendersLooper) {
  Send("test:echo", 1);
  EXPECT_TRUE(answers_.empty());  // never synchronously
  env_.RunUntilIdle();
  ASSERT_EQ(answers_[1].size(), 1u);
  EXPECT_TRUE(answers_[1][0].response->success());
  EXPECT_EQ(answers_[1][0].response->code(), DataRouteResponsePacket::kOk);
  EXPECT_EQ(answers_[1][0].response->body().GetInt32("n"), 1);
  EXPECT_EQ(answers_[1][0].looper, &env_.main_looper());
  ASSERT_EQ(factory_->handler_loopers.size(), 1u);
  EXPECT_EQ(factory_->handler_loopers[0], &env_.worker_looper());
  env_.FastForwardBy(60'000);
  EXPECT_EQ(answers_[1].size(), 1u);
}

TEST_F(DataRouterTest, UnknownUriIsAnsweredWithAFailureOnce) {
  Send("dataroute:nobody:serves_this", 7);
  env_.RunUntilIdle();
  ASSERT_EQ(answers_[7].size(), 1u);
  EXPECT_FALSE(answers_[7][0].response->success());
  EXPECT_EQ(answers_[7][0].response->code(), DataRouteResponsePacket::kNoHandler);
  EXPECT_TRUE(factory_->handled.empty());
}

TEST_F(DataRouterTest, HandlerFailureAndExceptionAreFailures) {
  Send("test:fail", 1);
  Send("test:throw", 2);
  env_.RunUntilIdle();
  ASSERT_EQ(answers_[1].size(), 1u);
  EXPECT_FALSE(answers_[1][0].response->success());
  EXPECT_EQ(answers_[1][0].response->code(), DataRouteResponsePacket::kHandlerFailed);
  ASSERT_EQ(answers_[2].size(), 1u);
  EXPECT_FALSE(answers_[2][0].response->success());
  EXPECT_EQ(answers_[2][0].response->message(), "boom");
}

TEST_F(DataRouterTest, RequestsRunOneAtATimeInArrivalOrder) {
  std::vector<int> expected;
  for (int n = 0; n < 50; ++n) {
    Send(n % 7 == 3 ? "unknown" : "test:echo", n);
    expected.push_back(n);
  }
  env_.RunUntilIdle();
  EXPECT_EQ(answer_order_, expected);
  for (const auto& [n, list] : answers_) EXPECT_EQ(list.size(), 1u) << n;
  std::vector<int> handled_expected;
  for (int n : expected) {
    if (n % 7 != 3) handled_expected.push_back(n);
  }
  EXPECT_EQ(factory_->handled, handled_expected);
}

TEST_F(DataRouterTest, FactoryInitRunsOnceOnTheRoutersLooperBeforeHandlers) {
  Send("test:echo", 1);
  Send("test:echo", 2);
  env_.RunUntilIdle();
  EXPECT_EQ(factory_->init_count, 1);
  EXPECT_EQ(factory_->init_looper, &env_.worker_looper());
  EXPECT_TRUE(factory_->init_seen_before_handler);
}

TEST_F(DataRouterTest, AnswerGoesToTheLooperOfTheSendingTask) {
  env_.worker_looper().PostTask([this] { Send("test:echo", 3); }, FROM_HERE);
  env_.RunUntilIdle();
  ASSERT_EQ(answers_[3].size(), 1u);
  EXPECT_EQ(answers_[3][0].looper, &env_.worker_looper());
}

TEST_F(DataRouterTest, DestroyedRouterAnswersWhatItHadNotRun) {
  Send("test:echo", 1);
  Send("test:echo", 2);
  service_.reset();
  router_.reset();
  env_.RunUntilIdle();
  for (int n : {1, 2}) {
    ASSERT_EQ(answers_[n].size(), 1u);
    EXPECT_FALSE(answers_[n][0].response->success());
    EXPECT_EQ(answers_[n][0].response->code(), DataRouteResponsePacket::kRouterGone);
  }
  EXPECT_TRUE(factory_->handled.empty());
  EXPECT_EQ(answer_order_, (std::vector<int>{1, 2}));
}

TEST_F(DataRouterTest, RemovedServiceNoLongerServesItsUris) {
  Send("test:echo", 1);
  env_.RunUntilIdle();
  service_.reset();
  Send("test:echo", 2);
  env_.RunUntilIdle();
  EXPECT_TRUE(answers_[1][0].response->success());
  ASSERT_EQ(answers_[2].size(), 1u);
  EXPECT_EQ(answers_[2][0].response->code(), DataRouteResponsePacket::kNoHandler);
}

TEST_F(DataRouterTest, ARequestIsSentAtMostOnce) {
  auto request = CreateDataRouterRequest(router_, "test:echo", Variant());
  int calls = 0;
  auto count = [&](const auto&, const auto&) { ++calls; };
  EXPECT_TRUE(request->SendAsync(count));
  EXPECT_FALSE(request->SendAsync(count));
  env_.RunUntilIdle();
  EXPECT_EQ(calls, 1);
}

TEST_F(DataRouterTest, NoRouterIsAnsweredAsGone) {
  auto request = CreateDataRouterRequest(nullptr, "test:echo", Variant());
  std::vector<int> codes;
  ASSERT_TRUE(request->SendAsync([&](const auto&, const auto& response) { codes.push_back(response->code()); }));
  EXPECT_TRUE(codes.empty());
  env_.RunUntilIdle();
  EXPECT_EQ(codes, (std::vector<int>{DataRouteResponsePacket::kRouterGone}));
}

struct TypedRequest {
  std::string owner;
};
struct TypedResponse {
  size_t length = 0;
};

class TypedFactory : public DataRouter::HandlerFactory {
 public:
  class Handler : public DataRouter::Handler {
   public:
    explicit Handler(std::shared_ptr<DataRouteRequestPacket> request) : request_(std::move(request)) {}
    void Handle(const std::shared_ptr<DataRouteResponsePacket>& response) override {
      auto typed = request_->Object<TypedRequest>();
      if (!typed) return;
      auto answer = std::make_shared<TypedResponse>();
      answer->length = typed->owner.size();
      response->SetObject(answer);
      response->SetSuccess(true);
    }

   private:
    std::shared_ptr<DataRouteRequestPacket> request_;
  };
  std::shared_ptr<DataRouter::Handler> CreateHandler(const std::shared_ptr<DataRouteRequestPacket>& request) override {
    return std::make_shared<Handler>(request);
  }
};

TEST(DataRouterTypedTest, TypedObjectsTravelBothWays) {
  base::test::TestTaskEnvironment env;
  auto router = CreateDataRouter(LooperThread::WorkerLooper());
  DataRouteService service(router, std::make_shared<TypedFactory>());
  auto body = std::make_shared<TypedRequest>();
  body->owner = "alice";
  std::shared_ptr<TypedResponse> answer;
  bool success = false;
  CreateDataRouterRequest(router, "typed", body)->SendAsync([&](const auto&, const auto& response) {
    success = response->success();
    answer = response->template Object<TypedResponse>();
  });
  // A body of another type is not mistaken for the expected one.
  bool wrong_type_success = true;
  CreateDataRouterRequest(router, "typed", std::make_shared<TypedResponse>())
      ->SendAsync([&](const auto&, const auto& response) { wrong_type_success = response->success(); });
  env.RunUntilIdle();
  EXPECT_TRUE(success);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->length, 5u);
  EXPECT_FALSE(wrong_type_success);
}

class DbFactory : public DataRouter::HandlerFactory {
 public:
  explicit DbFactory(std::string path) : path_(std::move(path)) {}
  void Init() override {
    db_ = base::database::OpenOrCreateDatabase(path_);
    db_->Execute("CREATE TABLE IF NOT EXISTS kv(k TEXT PRIMARY KEY, v TEXT)");
    other_ = base::database::OpenOrCreateDatabase(path_ + ".other");
  }
  std::shared_ptr<DataRouter::Handler> CreateHandler(const std::shared_ptr<DataRouteRequestPacket>& request) override {
    using KOVANI_DATA_ROUTE::DefaultDBRequestHandler;
    if (request->uri() == "db:put") {
      return DefaultDBRequestHandler::Create(request, db_, [](const std::shared_ptr<DataRouteRequestPacket>& req,
                                                              const std::shared_ptr<base::database::SQLiteDatabase>& db,
                                                              const std::shared_ptr<DataRouteResponsePacket>& response) {
        if (!db) return response->SetError(42, "invalid db");
        response->SetSuccess(db->Execute("INSERT OR REPLACE INTO kv(k, v) VALUES (?, ?)",
                                         {req->body().GetString("k"), req->body().GetString("v")}));
      });
    }
    if (request->uri() == "db:count_live") {
      return DefaultDBRequestHandler::Create(
          request, std::vector<std::weak_ptr<base::database::SQLiteDatabase>>{db_, other_},
          [](const std::shared_ptr<DataRouteRequestPacket>&,
             const std::vector<std::shared_ptr<base::database::SQLiteDatabase>>& dbs,
             const std::shared_ptr<DataRouteResponsePacket>& response) {
            int live = 0;
            for (const auto& db : dbs) live += db ? 1 : 0;
            response->SetBody(Variant(live));
            response->SetSuccess(dbs.size() == 2 && dbs[0] != dbs[1]);
          });
    }
    return nullptr;
  }
  void CloseDatabase() { db_.reset(); }

 private:
  std::string path_;
  std::shared_ptr<base::database::SQLiteDatabase> db_;
  std::shared_ptr<base::database::SQLiteDatabase> other_;
};

TEST(DefaultDBRequestHandlerTest, RunsTheFunctionWithTheDatabaseOrNullWhenItIsGone) {
  base::test::TestTaskEnvironment env;
  util::file::ScopedTempDir dir;
  auto router = CreateDataRouter(LooperThread::WorkerLooper());
  auto factory = std::make_shared<DbFactory>(dir.Child("kv.db"));
  DataRouteService service(router, factory);
  std::vector<std::pair<bool, int>> results;
  auto put = [&](const std::string& k) {
    Variant body;
    body.Set("k", k);
    body.Set("v", "value of " + k);
    CreateDataRouterRequest(router, "db:put", body)->SendAsync([&](const auto&, const auto& response) {
      results.emplace_back(response->success(), response->code());
    });
  };
  put("a");
  env.RunUntilIdle();
  int live = -1;
  CreateDataRouterRequest(router, "db:count_live", Variant())->SendAsync([&](const auto&, const auto& response) {
    live = response->success() ? response->body().AsInt32() : -1;
  });
  env.RunUntilIdle();
  EXPECT_EQ(live, 2);

  factory->CloseDatabase();
  put("b");
  env.RunUntilIdle();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0], std::make_pair(true, 0));
  EXPECT_EQ(results[1], std::make_pair(false, 42));

  auto db = base::database::OpenOrCreateDatabase(dir.Child("kv.db"));
  auto count = db->Compile("SELECT COUNT(*) FROM kv");
  ASSERT_EQ(count->Step(), base::database::SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt(0), 1);
}

}  // namespace
}  // namespace base::datarouter
