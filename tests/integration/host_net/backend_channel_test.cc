// Requests signed by the host's channel, verified by the real qr-backend.
#include <gtest/gtest.h>

#include "backend_fixture.h"
#include "host/base/threading/clock.h"
#include "host/sdk/cgi/curl_request_transport.h"
#include "host/util/crypto.h"

namespace host_net_test {
namespace {

using KOVANI_CGI::Failure;
using KOVANI_CGI::TransportRequest;

constexpr int64_t kBadSignature = 40002;

// Changes each request after it was signed, then sends it for real.
class TamperingTransport : public KOVANI_CGI::RequestTransport {
 public:
  explicit TamperingTransport(std::function<void(TransportRequest&)> tamper)
      : tamper_(std::move(tamper)),
        inner_(KOVANI_CGI::CurlRequestTransport::Create(base::threading::LooperThread::IOLooper())) {}
  void Send(TransportRequest request, Done done) override {
    tamper_(request);
    inner_->Send(std::move(request), std::move(done));
  }

 private:
  std::function<void(TransportRequest&)> tamper_;
  std::shared_ptr<KOVANI_CGI::RequestTransport> inner_;
};

// Sends each request twice, the second time only after the first was answered, and reports the
// second answer.
class ReplayingTransport : public KOVANI_CGI::RequestTransport {
 public:
  ReplayingTransport() : inner_(KOVANI_CGI::CurlRequestTransport::Create(base::threading::LooperThread::IOLooper())) {}
  void Send(TransportRequest request, Done done) override {
    inner_->Send(request, [inner = inner_, request, done = std::move(done)](KOVANI_CGI::TransportResponse) mutable {
      inner->Send(std::move(request), std::move(done));
    });
  }

 private:
  std::shared_ptr<KOVANI_CGI::RequestTransport> inner_;
};

class BackendChannelTest : public BackendNetTest {
 protected:
  ChannelAnswer SendOne(const std::shared_ptr<JsonRequest>& request) {
    const size_t before = answers_.size();
    Run(request);
    EXPECT_TRUE(WaitForAnswers(before + 1)) << backend_->log();
    return answers_.size() > before ? answers_[before] : ChannelAnswer();
  }
  std::shared_ptr<JsonRequest> Capacity() { return JsonRequest::Post("/v2/meetlog/query/record-capacity", ""); }
  void ArmFault(const nlohmann::json& rule) {
    ASSERT_EQ(Admin().Call("POST", "/admin/faults", rule).status, 200);
  }
};

TEST_F(BackendChannelTest, ASignedPostWithoutBodyVerifies) {
  const ChannelAnswer answer = SendOne(Capacity());
  EXPECT_TRUE(answer.success) << answer.result.msg;
  EXPECT_EQ(answer.result.biz_code, 0) << answer.result.msg;
  EXPECT_EQ(answer.result.status_code, 200);
  EXPECT_TRUE(answer.json["data"]["total_capacity"].IsString());
}

TEST_F(BackendChannelTest, ASignedPostWithBodyAndAppUidVerifies) {
  auto request = JsonRequest::Post("/v2/record/control/get-start-data",
                                   R"({"subject":")" + util::crypto::Encode64("Signed talk") +
                                       R"(","record_start_time":"1700000000000","record_id":"",)"
                                       R"("creator_instance_id":"i-1","record_subject":"","use_quic":false})");
  request->WithAppUid(true);
  const ChannelAnswer answer = SendOne(request);
  EXPECT_EQ(answer.result.biz_code, 0) << answer.result.msg;
  EXPECT_EQ(answer.json["data"]["title"].AsString(), "Signed talk");
  EXPECT_EQ(answer.json["nonce"].AsString(), request->nonce());
}

TEST_F(BackendChannelTest, ASignedGetWithQueryParametersVerifies) {
  auto request = std::make_shared<JsonRequest>();
  request->SetUrl(kovanisdk::utils::cgi::MakeCgiCommonUrlPath("/v2/meetlog/main/clear-reddot"));
  request->SetMethod(1);
  request->AddParams("uni_record_id", "qr-not there & ünïcode");
  request->AddParams("file_id", "f/1");
  request->WithCommonParams(true);
  request->WithToken(true);
  request->WithSign(true);
  request->WithAppUid(true);
  const ChannelAnswer answer = SendOne(request);
  ASSERT_TRUE(answer.success) << answer.result.msg;
  // Whatever the endpoint thinks of the ids, the request passed verification (40001-40005).
  EXPECT_FALSE(answer.result.biz_code >= 40001 && answer.result.biz_code <= 40005)
      << answer.result.biz_code << " " << answer.result.msg;
}

TEST_F(BackendChannelTest, TamperedRequestsAreRejected) {
  const std::vector<std::pair<std::string, std::function<void(TransportRequest&)>>> tampers = {
      {"body", [](TransportRequest& r) { r.body = R"({"x":1})"; }},
      {"signature", [](TransportRequest& r) {
         for (auto& [name, value] : r.headers) {
           if (name == "X-QR-Signature") value.back() = value.back() == '0' ? '1' : '0';
         }
       }},
      {"query", [](TransportRequest& r) { r.url += "&extra=1"; }},
      {"timestamp", [](TransportRequest& r) {
         const std::string ts = r.Param("timestamp");
         const size_t at = r.url.find("timestamp=" + ts);
         r.url.replace(at, 10 + ts.size(), "timestamp=" + std::to_string(std::stoll(ts) - 1));
       }},
  };
  for (const auto& [what, tamper] : tampers) {
    KOVANI_CGI::ScopedRequestTransport tampering(std::make_shared<TamperingTransport>(tamper));
    const ChannelAnswer answer = SendOne(Capacity());
    EXPECT_TRUE(answer.success) << what;  // the back end answered...
    EXPECT_EQ(answer.result.biz_code, kBadSignature) << what << ": " << answer.result.msg;  // ...with a refusal
    EXPECT_FALSE(answer.json.Contain("data")) << what;
  }
  // And untouched, the same request goes through.
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 0);
}

TEST_F(BackendChannelTest, AWrongSecretOrTokenIsRejected) {
  host::app::Account wrong = AccountOf(alice_);
  wrong.secret = "not-alices-secret";
  UseBackend(BackendUrl(), wrong);
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, kBadSignature);
  wrong = AccountOf(alice_);
  wrong.token = "no-such-token";
  UseBackend(BackendUrl(), wrong);
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 40001);
}

TEST_F(BackendChannelTest, AReplayedRequestIsRejected) {
  KOVANI_CGI::ScopedRequestTransport replaying(std::make_shared<ReplayingTransport>());
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 40004);
}

TEST_F(BackendChannelTest, AClockOutsideTheWindowIsRejectedUntilTheOffsetIsRight) {
  base::clock::SetServerOffsetMs(-3'600'000);
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 40003);
  base::clock::SetServerOffsetMs(0);
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 0);
}

TEST_F(BackendChannelTest, InjectedFaultsAnswerOnceWithTheirFailure) {
  ArmFault({{"server", "api"}, {"path", "/v2/meetlog/query/record-capacity"}, {"kind", "http500"}, {"times", 1}});
  ChannelAnswer answer = SendOne(Capacity());
  EXPECT_FALSE(answer.success);
  EXPECT_EQ(answer.result.failure, Failure::kHttpStatus);
  EXPECT_EQ(answer.result.status_code, 500);

  ArmFault({{"server", "api"}, {"path", "/v2/meetlog/query/record-capacity"}, {"kind", "drop"}, {"times", 1}});
  answer = SendOne(Capacity());
  EXPECT_FALSE(answer.success);
  EXPECT_EQ(answer.result.failure, Failure::kConnectionClosed) << answer.result.msg;

  ArmFault({{"server", "api"},
            {"path", "/v2/meetlog/query/record-capacity"},
            {"kind", "delay"},
            {"delay_ms", 1500},
            {"times", 1}});
  auto slow = Capacity();
  slow->SetTimeout(300);
  answer = SendOne(slow);
  EXPECT_FALSE(answer.success);
  EXPECT_EQ(answer.result.failure, Failure::kTimedOut);

  // Each fault hit once; the channel is healthy again.
  EXPECT_EQ(SendOne(Capacity()).result.biz_code, 0);
}

TEST_F(BackendChannelTest, AStoppedBackEndIsAConnectFailure) {
  const std::string url = BackendUrl();
  ASSERT_EQ(backend_->Stop(), 0);
  const ChannelAnswer answer = SendOne(Capacity());
  EXPECT_FALSE(answer.success);
  EXPECT_EQ(answer.result.failure, Failure::kConnectFailed) << answer.result.msg;
}

}  // namespace
}  // namespace host_net_test
