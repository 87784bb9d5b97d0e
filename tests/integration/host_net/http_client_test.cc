// The plain HTTP client (the reachability probe's) against loopback servers.
#include "host/base/net/http_client.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "host/base/threading/host_loopers.h"
#include "test_http_server.h"

namespace base::net {
namespace {

using host_net_test::TestHttpServer;

class RecordingDelegate : public HttpClient::Delegate {
 public:
  void OnComplete(HttpClient* client, const std::shared_ptr<HttpResponse>& response) override {
    std::lock_guard lock(mutex);
    clients.push_back(client);
    responses.push_back(response);
    on_main.push_back(threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread());
  }
  size_t count() {
    std::lock_guard lock(mutex);
    return responses.size();
  }
  std::mutex mutex;
  std::vector<HttpClient*> clients;
  std::vector<std::shared_ptr<HttpResponse>> responses;
  std::vector<bool> on_main;
};

class FixedResolver : public DnsResolver {
 public:
  std::vector<std::string> Resolve(const std::string& host) override {
    if (host == "bucket.probe.test") return {"127.0.0.1"};
    return {};
  }
};

class HttpClientTest : public ::testing::Test {
 protected:
  HttpClientTest()
      : bucket_([this](httplib::Server& server) {
          server.Get("/", [this](const httplib::Request& request, httplib::Response& response) {
            Seen(request);
            response.status = 403;
            response.set_header("Server", "halvard-cos");
          });
          server.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            response.status = 200;
          });
        }) {}

  void Seen(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    methods_.push_back(request.method);
  }
  bool RunUntil(const std::function<bool()>& done, int64_t timeout_ms = 10000) {
    return loopers_.RunMainLoopUntil(done, timeout_ms);
  }

  threading::HostLoopers loopers_;
  std::mutex mutex_;
  std::vector<std::string> methods_;
  TestHttpServer bucket_;
  RecordingDelegate delegate_;
};

TEST_F(HttpClientTest, AProbeOfARefusedPortCompletesOnceWithNoIpAndStatusZero) {
  auto client = CreateHttpClient(threading::LooperThread::MainLooper(), &delegate_, nullptr);
  ASSERT_NE(client, nullptr);
  const std::string url = "http://127.0.0.1:" + std::to_string(host_net_test::RefusedPort());
  auto request = CreateHttpRequest(url, kHttpHead, true);
  request->SetTimeout(15000);
  ASSERT_TRUE(client->Start(request));
  ASSERT_TRUE(RunUntil([&] { return delegate_.count() == 1; }));
  RunUntil([] { return false; }, 100);
  ASSERT_EQ(delegate_.count(), 1u);
  const auto& response = delegate_.responses[0];
  EXPECT_EQ(delegate_.clients[0], client.get());
  EXPECT_TRUE(delegate_.on_main[0]);
  EXPECT_EQ(response->url(), url);
  EXPECT_EQ(response->status_code(), 0);
  EXPECT_EQ(response->remote_ip(), "");
  EXPECT_EQ(response->GetHeader("server"), "");
  EXPECT_EQ(response->error(), NetError::kConnectFailed);
}

TEST_F(HttpClientTest, AProbeOfTheBucketHostSeesItsServerAndStatus) {
  auto client = CreateHttpClient(threading::LooperThread::IOLooper(), &delegate_, nullptr);
  ASSERT_TRUE(client->Start(CreateHttpRequest(bucket_.Url("/"), kHttpHead, true)));
  ASSERT_TRUE(RunUntil([&] { return delegate_.count() == 1; }));
  const auto& response = delegate_.responses[0];
  EXPECT_FALSE(delegate_.on_main[0]);  // reported on the looper it was given: the I/O looper
  EXPECT_EQ(response->status_code(), 403);
  EXPECT_EQ(response->GetHeader("Server"), "halvard-cos");
  EXPECT_EQ(response->remote_ip(), "127.0.0.1");
  std::lock_guard lock(mutex_);
  EXPECT_EQ(methods_, std::vector<std::string>{"HEAD"});
}

TEST_F(HttpClientTest, TheResolverAnswersForTheSystemResolver) {
  auto client = CreateHttpClient(threading::LooperThread::MainLooper(), &delegate_, std::make_shared<FixedResolver>());
  const std::string url = "http://bucket.probe.test:" + std::to_string(bucket_.port()) + "/";
  ASSERT_TRUE(client->Start(CreateHttpRequest(url, kHttpGet, true)));
  ASSERT_TRUE(RunUntil([&] { return delegate_.count() == 1; }));
  EXPECT_EQ(delegate_.responses[0]->status_code(), 403);
  EXPECT_EQ(delegate_.responses[0]->remote_ip(), "127.0.0.1");
}

TEST_F(HttpClientTest, TheTimeOutIsHonoured) {
  auto client = CreateHttpClient(threading::LooperThread::MainLooper(), &delegate_, nullptr);
  auto request = CreateHttpRequest(bucket_.Url("/slow"), kHttpGet, true);
  request->SetTimeout(200);
  ASSERT_TRUE(client->Start(request));
  ASSERT_TRUE(RunUntil([&] { return delegate_.count() == 1; }, 1200));
  EXPECT_EQ(delegate_.responses[0]->error(), NetError::kTimedOut);
  EXPECT_EQ(delegate_.responses[0]->status_code(), 0);
}

TEST_F(HttpClientTest, ADestroyedClientReportsNothing) {
  auto client = CreateHttpClient(threading::LooperThread::MainLooper(), &delegate_, nullptr);
  ASSERT_TRUE(client->Start(CreateHttpRequest(bucket_.Url("/slow"), kHttpGet, true)));
  client.reset();
  RunUntil([] { return false; }, 2000);
  EXPECT_EQ(delegate_.count(), 0u);
}

TEST_F(HttpClientTest, ANullRequestIsNotStarted) {
  auto client = CreateHttpClient(threading::LooperThread::MainLooper(), &delegate_, nullptr);
  EXPECT_FALSE(client->Start(nullptr));
  EXPECT_EQ(CreateHttpClient(nullptr, &delegate_, nullptr), nullptr);
  EXPECT_EQ(CreateHttpClient(threading::LooperThread::MainLooper(), nullptr, nullptr), nullptr);
}

}  // namespace
}  // namespace base::net
