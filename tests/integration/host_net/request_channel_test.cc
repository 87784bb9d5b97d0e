// The signed request channel over its real libcurl transport, against loopback test servers that
// answer each failure mode on purpose.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "host/base/net/http_engine.h"
#include "host/base/threading/clock.h"
#include "host/sdk/cgi/curl_request_transport.h"
#include "host/sdk/cgi/request_signer.h"
#include "host_net_fixture.h"
#include "test_account.h"
#include "test_http_server.h"

namespace host_net_test {
namespace {

using KOVANI_CGI::Failure;

class RequestChannelTest : public HostNetTest {
 protected:
  RequestChannelTest()
      : server_([this](httplib::Server& server) {
          server.Post("/ok", [this](const httplib::Request& request, httplib::Response& response) {
            Arrived(request);
            response.set_content(R"({"code":0,"msg":"ok","nonce":")" + request.get_param_value("nonce") +
                                     R"(","data":{"echo":)" + request.body + "}}",
                                 "application/json");
          });
          server.Post("/error500", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content(R"({"error":"InternalError"})", "application/json");
          });
          server.Post("/not-json", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html>gateway</html>", "text/html");
          });
          server.Post("/empty", [](const httplib::Request&, httplib::Response& response) { response.status = 200; });
          server.Post("/slow", [this](const httplib::Request& request, httplib::Response& response) {
            Arrived(request);
            std::unique_lock lock(mutex_);
            released_.wait_for(lock, std::chrono::seconds(10), [&] { return release_; });
            response.set_content(R"({"code":0,"msg":"late"})", "application/json");
          });
          server.Post("/skewed", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Date", "Wed, 15 Nov 2023 22:13:20 GMT");
            response.set_content(R"({"code":0,"msg":"ok"})", "application/json");
          });
        }) {
    UseBackend("http://127.0.0.1:" + std::to_string(server_.port()), TestAccount("alice"));
  }
  ~RequestChannelTest() override { Release(); }

  void Arrived(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    arrivals_.push_back(request.path + ":" + request.body);
    last_target_ = request.target;
    last_signature_ = request.get_header_value("X-QR-Signature");
    last_body_ = request.body;
    arrived_.notify_all();
  }
  void Release() {
    std::lock_guard lock(mutex_);
    release_ = true;
    released_.notify_all();
  }
  size_t ArrivalCount() {
    std::lock_guard lock(mutex_);
    return arrivals_.size();
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  std::condition_variable released_;
  bool release_ = false;
  std::vector<std::string> arrivals_;
  std::string last_target_;
  std::string last_signature_;
  std::string last_body_;
  TestHttpServer server_;
};

TEST_F(RequestChannelTest, ASignedPostArrivesAsSignedAndItsEnvelopeComesBackOnce) {
  Run(JsonRequest::Post("/ok", R"({"subject":"hi"})"));
  ASSERT_TRUE(WaitForAnswers(1));
  const ChannelAnswer& answer = answers_[0];
  EXPECT_TRUE(answer.success);
  EXPECT_TRUE(answer.on_main_looper);
  EXPECT_EQ(answer.result.status_code, 200);
  EXPECT_EQ(answer.result.biz_code, 0);
  EXPECT_EQ(answer.json["data"]["echo"]["subject"].AsString(), "hi");

  std::lock_guard lock(mutex_);
  const std::string query = last_target_.substr(last_target_.find('?') + 1);
  const auto param = [&](const std::string& name) {
    const size_t at = query.find(name + "=");
    return query.substr(at + name.size() + 1, query.find('&', at) - at - name.size() - 1);
  };
  EXPECT_EQ(last_signature_, KOVANI_CGI::RequestSigner::Sign(
                                 "sec-alice", KOVANI_CGI::RequestSigner::CanonicalText(
                                                  "POST", "/ok", query, last_body_, param("timestamp"), param("nonce"))));
}

TEST_F(RequestChannelTest, EveryFailureModeAnswersExactlyOnce) {
  const int refused_port = RefusedPort();
  struct Case {
    std::shared_ptr<JsonRequest> request;
    Failure expected;
  };
  std::vector<Case> cases;
  cases.push_back({JsonRequest::Post("/error500"), Failure::kHttpStatus});
  cases.push_back({JsonRequest::Post("/not-json"), Failure::kInvalidBody});
  cases.push_back({JsonRequest::Post("/empty"), Failure::kEmptyBody});
  cases.push_back({JsonRequest::Post("/missing"), Failure::kHttpStatus});  // 404
  auto refused = JsonRequest::Post("/ok");
  refused->SetUrl("http://127.0.0.1:" + std::to_string(refused_port) + "/ok");
  cases.push_back({refused, Failure::kConnectFailed});
  auto unresolvable = JsonRequest::Post("/ok");
  unresolvable->SetUrl("http://no-such-host.invalid/ok");
  cases.push_back({unresolvable, Failure::kDnsFailure});
  auto tls = JsonRequest::Post("/ok");
  tls->SetUrl("https://127.0.0.1:" + std::to_string(server_.port()) + "/ok");
  cases.push_back({tls, Failure::kTlsFailure});
  auto slow = JsonRequest::Post("/slow");
  slow->SetTimeout(300);
  cases.push_back({slow, Failure::kTimedOut});

  std::vector<ChannelAnswer> by_case(cases.size());
  std::vector<int> counts(cases.size(), 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    cases[i].request->Run([&, i](const ChannelAnswer& answer) {
      by_case[i] = answer;
      ++counts[i];
    });
  }
  ASSERT_TRUE(RunUntil([&] { return std::count(counts.begin(), counts.end(), 0) == 0; }, 15000));
  Release();
  RunUntil([] { return false; }, 300);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(counts[i], 1) << i;
    EXPECT_FALSE(by_case[i].success) << i;
    EXPECT_EQ(by_case[i].result.failure, cases[i].expected) << i << ": " << by_case[i].result.msg;
    EXPECT_TRUE(by_case[i].on_main_looper) << i;
  }
  EXPECT_EQ(by_case[0].result.status_code, 500);
  EXPECT_EQ(by_case[3].result.status_code, 404);
  EXPECT_EQ(by_case[4].result.status_code, 0);
}

TEST_F(RequestChannelTest, HttpsOnlyRequestsNeverReachAPlainServer) {
  auto request = JsonRequest::Post("/ok");
  request->SetHttpsOnly();
  Run(request);
  ASSERT_TRUE(WaitForAnswers(1));
  EXPECT_EQ(answers_[0].result.failure, Failure::kPlainHttpRefused);
  EXPECT_EQ(ArrivalCount(), 0u);
}

TEST_F(RequestChannelTest, HighPriorityRequestsOvertakeQueuedOnes) {
  // One connection at a time makes the queue visible.
  KOVANI_CGI::ScopedRequestTransport narrow(std::make_shared<KOVANI_CGI::CurlRequestTransport>(
      base::net::HttpEngine::Create(base::threading::LooperThread::IOLooper(), {1, 1 << 20})));
  Run(JsonRequest::Post("/slow", R"("blocker")"));
  {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return arrivals_.size() == 1; }));
  }
  for (const char* name : {"normal1", "normal2", "list1", "normal3", "list2"}) {
    auto request = JsonRequest::Post("/ok", std::string("\"") + name + "\"");
    request->SetHighPriority(name[0] == 'l');
    Run(request);
  }
  Release();
  ASSERT_TRUE(WaitForAnswers(6));
  std::lock_guard lock(mutex_);
  EXPECT_EQ(arrivals_, (std::vector<std::string>{"/slow:\"blocker\"", "/ok:\"list1\"", "/ok:\"list2\"",
                                                 "/ok:\"normal1\"", "/ok:\"normal2\"", "/ok:\"normal3\""}));
}

TEST_F(RequestChannelTest, TheServerClockIsLearnedFromTheDateHeader) {
  base::clock::SetServerOffsetMs(0);
  Run(JsonRequest::Post("/skewed"));
  ASSERT_TRUE(WaitForAnswers(1));
  // The test server claims to live in November 2023.
  EXPECT_NEAR(static_cast<double>(base::clock::ServerMs()), 1'700'086'400'500.0, 60'000.0);
  base::clock::SetServerOffsetMs(0);
}

}  // namespace
}  // namespace host_net_test
