#include "host/sdk/cgi/signal_request_core.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/app/host_application.h"
#include "host/app/signed_in_config.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/cgi/cgi_url.h"
#include "host/sdk/cgi/fake_request_transport.h"
#include "host/sdk/cgi/kovani_signal_request_base.h"

namespace KOVANI_CGI {
namespace {

struct Answer {
  bool success;
  Result result;
  base::json::JsonValue json;
  bool on_main_looper;
};

// A request class as the module writes them: its HandleBizResponse calls the closure.
class ProbeRequest : public KovaniSignalRequestBase<void(const Answer&)> {
 public:
  void InitData(const std::string& path) {
    SetUrl(kovanisdk::utils::cgi::MakeCgiCommonUrlPath(path));
    SetMethod(3);
    SetBody(R"({"k":"v"})");
    WithCommonParams(true);
    WithToken(true);
    WithSign(true);
  }

 protected:
  void HandleBizResponse(bool success, const Result& result, const base::json::JsonValue& json) override {
    ++handled;
    const bool on_main = base::threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread() && !inside_run;
    if (closure_) closure_(Answer{success, result, json, on_main});
  }

 public:
  int handled = 0;
  bool inside_run = false;
};

class SignalRequestCoreTest : public ::testing::Test {
 protected:
  std::shared_ptr<ProbeRequest> Send(const std::string& path = "/v2/x") {
    auto request = std::make_shared<ProbeRequest>();
    request->InitData(path);
    request->inside_run = true;
    request->Run([this](const Answer& answer) { answers_.push_back(answer); });
    request->inside_run = false;
    return request;
  }

  base::test::TestTaskEnvironment env_;
  std::unique_ptr<host::app::HostApplication> app_ =
      std::make_unique<host::app::HostApplication>(host::app::testing::SignedInConfig());
  std::shared_ptr<FakeRequestTransport> fake_ = std::make_shared<FakeRequestTransport>();
  ScopedRequestTransport scoped_{fake_};
  std::vector<Answer> answers_;
};

TEST_F(SignalRequestCoreTest, AnswersOnceOnTheMainLooperAfterRun) {
  auto data = base::json::JsonValue::Object();
  data.SetJsonObject("record_id", "r1");
  fake_->AnswerEnvelope("/v2/x", 0, "ok", data);
  auto request = Send();
  EXPECT_TRUE(answers_.empty());  // never from inside Run
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_TRUE(answers_[0].on_main_looper);
  EXPECT_TRUE(answers_[0].success);
  EXPECT_EQ(answers_[0].result.status_code, 200);
  EXPECT_EQ(answers_[0].result.biz_code, 0);
  EXPECT_EQ(answers_[0].result.msg, "ok");
  EXPECT_EQ(answers_[0].json["data"]["record_id"].AsString(), "r1");
  EXPECT_EQ(answers_[0].json["nonce"].AsString(), request->nonce());
  env_.FastForwardBy(60'000);
  EXPECT_EQ(request->handled, 1);
}

TEST_F(SignalRequestCoreTest, SendsTheSignedRequestTheBuilderDescribes) {
  fake_->AnswerEnvelope("/v2/x", 0, "ok");
  base::clock::SetServerOffsetMs(-7'000);
  auto request = Send();
  env_.RunUntilIdle();
  const auto sent = fake_->requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "POST");
  EXPECT_EQ(sent[0].path, "/v2/x");
  EXPECT_EQ(sent[0].body, R"({"k":"v"})");
  EXPECT_EQ(sent[0].Param("app_id"), "qr-app");
  EXPECT_EQ(sent[0].Param("nonce"), request->nonce());
  EXPECT_EQ(sent[0].Param("nonce").size(), 16u);
  // Signed with the back end's time, so a skewed local clock does not get requests refused.
  EXPECT_EQ(sent[0].Param("timestamp"), std::to_string(base::clock::ServerMs() / 1000));
  EXPECT_EQ(sent[0].Header("X-QR-Token"), "tok");
  EXPECT_EQ(sent[0].Header("X-QR-Signature").size(), 64u);
}

TEST_F(SignalRequestCoreTest, EveryFailureModeAnswersOnceWithWhatHappened) {
  const std::vector<std::pair<TransportResponse, Failure>> cases = {
      {FakeRequestTransport::Failed(base::net::NetError::kConnectFailed), Failure::kConnectFailed},
      {FakeRequestTransport::Failed(base::net::NetError::kDnsFailure), Failure::kDnsFailure},
      {FakeRequestTransport::Failed(base::net::NetError::kTimedOut), Failure::kTimedOut},
      {FakeRequestTransport::Failed(base::net::NetError::kTlsFailure), Failure::kTlsFailure},
      {FakeRequestTransport::Json(R"({"error":"InternalError"})", 500), Failure::kHttpStatus},
      {FakeRequestTransport::Json("", 404), Failure::kHttpStatus},
      {FakeRequestTransport::Json(""), Failure::kEmptyBody},
      {FakeRequestTransport::Json("{not json"), Failure::kInvalidBody},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string path = "/v2/case" + std::to_string(i);
    fake_->SetResponder(path, [response = cases[i].first](const TransportRequest&) { return response; });
    Send(path);
  }
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_FALSE(answers_[i].success) << i;
    EXPECT_EQ(answers_[i].result.failure, cases[i].second) << i;
    EXPECT_FALSE(answers_[i].result.msg.empty()) << i;
    EXPECT_TRUE(answers_[i].on_main_looper) << i;
  }
  EXPECT_EQ(answers_[4].result.status_code, 500);
}

TEST_F(SignalRequestCoreTest, ARequestKeepsItselfAliveUntilItsAnswer) {
  Send("/v2/slow");  // the caller keeps no reference
  env_.RunUntilIdle();
  EXPECT_TRUE(answers_.empty());
  ASSERT_EQ(fake_->pending_count(), 1u);
  ASSERT_TRUE(fake_->AnswerNextPending(FakeRequestTransport::Json(R"({"code":0,"msg":"late"})")));
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_EQ(answers_[0].result.msg, "late");
}

// A transport that breaks its contract, to show the channel still answers exactly once.
class MisbehavingTransport : public RequestTransport {
 public:
  enum class Mode { kAnswerTwice, kDropTheCallback };
  explicit MisbehavingTransport(Mode mode) : mode_(mode) {}
  void Send(TransportRequest request, Done done) override {
    if (mode_ == Mode::kDropTheCallback) return;  // `done` is destroyed uncalled
    done(FakeRequestTransport::Envelope(request, 0, "first"));
    done(FakeRequestTransport::Envelope(request, 0, "second"));
  }

 private:
  Mode mode_;
};

TEST_F(SignalRequestCoreTest, ASecondAnswerFromTheTransportIsIgnored) {
  ScopedRequestTransport twice(std::make_shared<MisbehavingTransport>(MisbehavingTransport::Mode::kAnswerTwice));
  Send();
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_EQ(answers_[0].result.msg, "first");
}

TEST_F(SignalRequestCoreTest, ARequestTheTransportDropsStillGetsItsAnswer) {
  ScopedRequestTransport dropping(
      std::make_shared<MisbehavingTransport>(MisbehavingTransport::Mode::kDropTheCallback));
  Send();
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_FALSE(answers_[0].success);
  EXPECT_EQ(answers_[0].result.failure, Failure::kCancelled);
}

TEST_F(SignalRequestCoreTest, HttpsOnlyRefusesPlainHttpWithoutSending) {
  auto request = std::make_shared<ProbeRequest>();
  request->InitData("/v2/secure");
  request->SetHttpsOnly();
  request->Run([this](const Answer& answer) { answers_.push_back(answer); });
  EXPECT_TRUE(answers_.empty());
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_FALSE(answers_[0].success);
  EXPECT_EQ(answers_[0].result.failure, Failure::kPlainHttpRefused);
  EXPECT_TRUE(answers_[0].on_main_looper);
  EXPECT_TRUE(fake_->requests().empty());
}

TEST_F(SignalRequestCoreTest, SignedOutRequestsAreRefusedWithoutSending) {
  host::app::HostConfig signed_out;
  signed_out.backend_url = "http://127.0.0.1:8080";
  app_.reset();
  app_ = std::make_unique<host::app::HostApplication>(signed_out);
  Send();
  env_.RunUntilIdle();
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_EQ(answers_[0].result.failure, Failure::kNotSignedIn);
  EXPECT_TRUE(fake_->requests().empty());
}

TEST_F(SignalRequestCoreTest, EachRunIsOneFreshlySignedRequestAndOneAnswer) {
  fake_->AnswerEnvelope("/v2/x", 0, "ok");
  auto request = std::make_shared<ProbeRequest>();
  request->InitData("/v2/x");
  request->Run([this](const Answer& answer) { answers_.push_back(answer); });
  request->Run([this](const Answer& answer) { answers_.push_back(answer); });
  env_.RunUntilIdle();
  EXPECT_EQ(answers_.size(), 2u);
  const auto sent = fake_->requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[0].Param("nonce"), sent[1].Param("nonce"));
}

TEST_F(SignalRequestCoreTest, ARequestNotHeldByASharedPointerIsRefusedAtOnce) {
  ProbeRequest request;
  request.InitData("/v2/x");
  request.Run([this](const Answer& answer) { answers_.push_back(answer); });
  ASSERT_EQ(answers_.size(), 1u);
  EXPECT_EQ(answers_[0].result.failure, Failure::kInvalidRequest);
  EXPECT_TRUE(fake_->requests().empty());
}

TEST_F(SignalRequestCoreTest, LearnsTheServerClockFromTheDateHeader) {
  env_.clock().SetWallMs(1'700'086'400'000 - 600'000);  // ten minutes behind the server
  fake_->SetResponder("/v2/x", [](const TransportRequest& request) {
    auto response = FakeRequestTransport::Envelope(request, 0, "ok");
    response.headers.emplace_back("date", "Wed, 15 Nov 2023 22:13:20 GMT");
    response.headers_wall_ms = base::clock::WallMs();
    return response;
  });
  Send();
  env_.RunUntilIdle();
  EXPECT_EQ(base::clock::ServerMs(), 1'700'086'400'500);
}

}  // namespace
}  // namespace KOVANI_CGI
