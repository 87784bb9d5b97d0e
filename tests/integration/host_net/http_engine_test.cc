// The libcurl engine against in-process HTTP servers on loopback, with the host's real loopers.
#include "host/base/net/http_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "host/base/threading/host_loopers.h"
#include "test_http_server.h"

namespace base::net {
namespace {

using host_net_test::TestHttpServer;

// Outcomes by transfer, with how often each completed.
class Outcomes {
 public:
  HttpEngine::Completion For(const std::string& name) {
    return [this, name](HttpOutcome outcome) {
      std::lock_guard lock(mutex_);
      ++counts_[name];
      outcomes_[name] = std::move(outcome);
      if (threading::LooperThread::IOLooper()->RunsTasksOnCurrentThread()) on_io_.insert(name);
    };
  }
  bool Has(const std::string& name) {
    std::lock_guard lock(mutex_);
    return counts_.count(name) > 0;
  }
  HttpOutcome Get(const std::string& name) {
    std::lock_guard lock(mutex_);
    return outcomes_[name];
  }
  int Count(const std::string& name) {
    std::lock_guard lock(mutex_);
    return counts_[name];
  }
  bool OnIo(const std::string& name) {
    std::lock_guard lock(mutex_);
    return on_io_.count(name) > 0;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, int> counts_;
  std::map<std::string, HttpOutcome> outcomes_;
  std::set<std::string> on_io_;
};

// Requests park in /block until the test opens the gate.
class Gate {
 public:
  void Wait() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(20), [&] { return open_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  int waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  int waiting_ = 0;
};

class HttpEngineTest : public ::testing::Test {
 protected:
  HttpEngineTest()
      : server_([this](httplib::Server& server) {
          server.Get("/hello", [this](const httplib::Request& request, httplib::Response& response) {
            Record(request);
            response.set_header("Server", "test-server");
            response.set_content("hello", "text/plain");
          });
          server.Post("/echo", [this](const httplib::Request& request, httplib::Response& response) {
            Record(request);
            response.set_content(request.body + "|" + request.get_header_value("Content-Length"), "text/plain");
          });
          server.Get("/block", [this](const httplib::Request& request, httplib::Response& response) {
            Record(request);
            gate_.Wait();
            response.set_content("done", "text/plain");
          });
          server.Get("/big", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(4096, 'b'), "text/plain");
          });
          server.Get("/stream", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/plain", [step = 0](size_t, httplib::DataSink& sink) mutable {
              if (step == 3) {
                sink.done();
                return true;
              }
              const std::string line = "line" + std::to_string(step++) + "\n";
              sink.write(line.data(), line.size());
              return true;
            });
          });
        }) {}

  ~HttpEngineTest() override {
    gate_.Open();
    // An I/O task may hold the engine a moment longer; its last completions must still find us.
    std::weak_ptr<HttpEngine> weak = engine_;
    engine_.reset();
    RunUntil([&] { return weak.expired(); });
  }

  void Record(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    arrivals_.push_back(request.path + (request.has_param("n") ? "?" + request.get_param_value("n") : ""));
    client_ports_.insert(request.remote_port);
  }
  std::vector<std::string> Arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }

  HttpTransfer Get(const std::string& path) {
    HttpTransfer transfer;
    transfer.url = server_.Url(path);
    return transfer;
  }
  bool RunUntil(const std::function<bool()>& done, int64_t timeout_ms = 10000) {
    return loopers_.RunMainLoopUntil(done, timeout_ms);
  }

  threading::HostLoopers loopers_;
  std::mutex mutex_;
  std::vector<std::string> arrivals_;
  std::set<int> client_ports_;
  Gate gate_;
  TestHttpServer server_;
  std::shared_ptr<HttpEngine> engine_ = HttpEngine::Create(threading::LooperThread::IOLooper());
  Outcomes outcomes_;
};

TEST_F(HttpEngineTest, CompletesOnceOnTheIoLooperWithStatusHeadersBodyAndPeer) {
  engine_->Start(Get("/hello"), outcomes_.For("a"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("a"); }));
  const HttpOutcome outcome = outcomes_.Get("a");
  EXPECT_TRUE(outcome.ok()) << outcome.error_text;
  EXPECT_EQ(outcome.status, 200);
  EXPECT_EQ(outcome.body, "hello");
  EXPECT_EQ(FindHeader(outcome.headers, "SERVER"), "test-server");
  EXPECT_EQ(outcome.remote_ip, "127.0.0.1");
  EXPECT_GT(outcome.headers_wall_ms, 0);
  EXPECT_TRUE(outcomes_.OnIo("a"));
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(outcomes_.Count("a"), 1);
}

TEST_F(HttpEngineTest, PostsTheBodyAndAnEmptyBodyWithContentLengthZero) {
  HttpTransfer with_body = Get("/echo");
  with_body.method = "POST";
  with_body.body = R"({"a":1})";
  HttpTransfer empty = Get("/echo");
  empty.method = "POST";
  engine_->Start(with_body, outcomes_.For("body"));
  engine_->Start(empty, outcomes_.For("empty"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("body") && outcomes_.Has("empty"); }));
  EXPECT_EQ(outcomes_.Get("body").body, R"({"a":1}|7)");
  EXPECT_EQ(outcomes_.Get("empty").body, "|0");
}

TEST_F(HttpEngineTest, ARefusedConnectionCompletesWithoutStatusOrPeer) {
  HttpTransfer transfer;
  transfer.url = "http://127.0.0.1:" + std::to_string(host_net_test::RefusedPort()) + "/";
  engine_->Start(transfer, outcomes_.For("refused"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("refused"); }));
  const HttpOutcome outcome = outcomes_.Get("refused");
  EXPECT_EQ(outcome.error, NetError::kConnectFailed) << outcome.error_text;
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.remote_ip, "");
  EXPECT_FALSE(outcome.error_text.empty());
}

TEST_F(HttpEngineTest, ASlowAnswerTimesOut) {
  HttpTransfer transfer = Get("/block");
  transfer.timeout_ms = 300;
  engine_->Start(transfer, outcomes_.For("slow"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("slow"); }, 5000));
  EXPECT_EQ(outcomes_.Get("slow").error, NetError::kTimedOut);
}

TEST_F(HttpEngineTest, TlsAgainstAPlainServerFailsAsTls) {
  HttpTransfer transfer;
  transfer.url = server_.Url("/hello", "https");
  engine_->Start(transfer, outcomes_.For("tls"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("tls"); }));
  EXPECT_EQ(outcomes_.Get("tls").error, NetError::kTlsFailure) << outcomes_.Get("tls").error_text;
}

TEST_F(HttpEngineTest, HttpsOnlyNeverSendsPlainHttp) {
  HttpTransfer transfer = Get("/hello");
  transfer.https_only = true;
  engine_->Start(transfer, outcomes_.For("plain"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("plain"); }));
  EXPECT_EQ(outcomes_.Get("plain").error, NetError::kPlainHttpRefused);
  EXPECT_TRUE(Arrivals().empty());
}

TEST_F(HttpEngineTest, HighPriorityTransfersStartBeforeQueuedNormalOnes) {
  engine_ = HttpEngine::Create(threading::LooperThread::IOLooper(), HttpEngine::Options{1, 1 << 20});
  engine_->Start(Get("/block?n=0"), outcomes_.For("blocker"));
  ASSERT_TRUE(RunUntil([&] { return gate_.waiting() == 1; }));
  // The one slot is busy: these wait, and the high-priority ones overtake the normal ones.
  for (const char* name : {"n1", "n2", "h1", "n3", "h2"}) {
    HttpTransfer transfer = Get(std::string("/hello?n=") + name);
    transfer.high_priority = name[0] == 'h';
    engine_->Start(transfer, outcomes_.For(name));
  }
  gate_.Open();
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("n3"); }));
  EXPECT_EQ(Arrivals(), (std::vector<std::string>{"/block?0", "/hello?h1", "/hello?h2", "/hello?n1", "/hello?n2",
                                                  "/hello?n3"}));
}

TEST_F(HttpEngineTest, SequentialTransfersReuseOneConnection) {
  for (int i = 0; i < 5; ++i) {
    const std::string name = "r" + std::to_string(i);
    engine_->Start(Get("/hello"), outcomes_.For(name));
    ASSERT_TRUE(RunUntil([&] { return outcomes_.Has(name); }));
  }
  std::lock_guard lock(mutex_);
  EXPECT_EQ(client_ports_.size(), 1u);
}

TEST_F(HttpEngineTest, FreshConnectionsAreNotReused) {
  for (int i = 0; i < 3; ++i) {
    const std::string name = "f" + std::to_string(i);
    HttpTransfer transfer = Get("/hello");
    transfer.fresh_connection = true;
    engine_->Start(transfer, outcomes_.For(name));
    ASSERT_TRUE(RunUntil([&] { return outcomes_.Has(name); }));
  }
  std::lock_guard lock(mutex_);
  EXPECT_EQ(client_ports_.size(), 3u);
}

TEST_F(HttpEngineTest, CancelEndsRunningAndQueuedTransfersOnce) {
  engine_ = HttpEngine::Create(threading::LooperThread::IOLooper(), HttpEngine::Options{1, 1 << 20});
  const uint64_t running = engine_->Start(Get("/block"), outcomes_.For("running"));
  const uint64_t queued = engine_->Start(Get("/hello"), outcomes_.For("queued"));
  ASSERT_TRUE(RunUntil([&] { return gate_.waiting() == 1; }));
  engine_->Cancel(queued);
  engine_->Cancel(running);
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("running") && outcomes_.Has("queued"); }));
  EXPECT_EQ(outcomes_.Get("running").error, NetError::kCancelled);
  EXPECT_EQ(outcomes_.Get("queued").error, NetError::kCancelled);
  engine_->Cancel(running);  // already over: nothing happens
  RunUntil([] { return false; }, 100);
  EXPECT_EQ(outcomes_.Count("running"), 1);
  EXPECT_EQ(outcomes_.Count("queued"), 1);
}

TEST_F(HttpEngineTest, DestroyingTheEngineEndsWhatIsPendingOnce) {
  engine_ = HttpEngine::Create(threading::LooperThread::IOLooper(), HttpEngine::Options{1, 1 << 20});
  engine_->Start(Get("/block"), outcomes_.For("running"));
  engine_->Start(Get("/hello"), outcomes_.For("queued"));
  ASSERT_TRUE(RunUntil([&] { return gate_.waiting() == 1; }));
  engine_.reset();
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("running") && outcomes_.Has("queued"); }));
  EXPECT_EQ(outcomes_.Get("running").error, NetError::kCancelled);
  EXPECT_EQ(outcomes_.Get("queued").error, NetError::kCancelled);
  EXPECT_EQ(outcomes_.Count("running"), 1);
}

TEST_F(HttpEngineTest, AnOversizedAnswerIsRefused) {
  engine_ = HttpEngine::Create(threading::LooperThread::IOLooper(), HttpEngine::Options{8, 1000});
  engine_->Start(Get("/big"), outcomes_.For("big"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("big"); }));
  EXPECT_EQ(outcomes_.Get("big").error, NetError::kResponseTooLarge);
}

TEST_F(HttpEngineTest, StreamedBodiesArriveInPiecesAndTheConsumerCanStop) {
  std::mutex mutex;
  std::string streamed;
  HttpTransfer transfer = Get("/stream");
  transfer.on_data = [&](const HttpOutcome& so_far, std::string_view chunk) {
    EXPECT_EQ(so_far.status, 200);
    std::lock_guard lock(mutex);
    streamed.append(chunk);
    return true;
  };
  engine_->Start(transfer, outcomes_.For("stream"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("stream"); }));
  EXPECT_TRUE(outcomes_.Get("stream").ok());
  EXPECT_EQ(outcomes_.Get("stream").body, "");
  EXPECT_EQ(streamed, "line0\nline1\nline2\n");

  HttpTransfer stopping = Get("/stream");
  stopping.on_data = [](const HttpOutcome&, std::string_view) { return false; };
  engine_->Start(stopping, outcomes_.For("stopped"));
  ASSERT_TRUE(RunUntil([&] { return outcomes_.Has("stopped"); }));
  EXPECT_EQ(outcomes_.Get("stopped").error, NetError::kCancelled);
}

TEST_F(HttpEngineTest, ManyConcurrentTransfersEachCompleteOnce) {
  constexpr int kCount = 64;
  for (int i = 0; i < kCount; ++i) {
    HttpTransfer transfer = Get("/hello");
    transfer.high_priority = i % 3 == 0;
    engine_->Start(transfer, outcomes_.For("c" + std::to_string(i)));
  }
  ASSERT_TRUE(RunUntil([&] {
    for (int i = 0; i < kCount; ++i) {
      if (!outcomes_.Has("c" + std::to_string(i))) return false;
    }
    return true;
  }));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(outcomes_.Count("c" + std::to_string(i)), 1);
    EXPECT_EQ(outcomes_.Get("c" + std::to_string(i)).status, 200);
  }
}

}  // namespace
}  // namespace base::net
