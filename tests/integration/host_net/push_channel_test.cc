// The push channel against the real qr-backend (delivery, restart of the back end) and against a
// loopback stream that sends malformed lines.
#include <gtest/gtest.h>

#include <mutex>

#include "backend_fixture.h"
#include "host/sdk/xmpp/signal_client.h"
#include "host/util/crypto.h"
#include "test_account.h"
#include "test_http_server.h"

namespace host_net_test {
namespace {

struct Delivered {
  std::string topic;
  std::string id;
  std::string cmd;
  std::string content;  // decoded
  bool on_main_looper;
};

class RecordingSubscriber : public KOVANI_SIGNAL::SignalClient::Subscriber {
 public:
  void OnSubscriptionResult(const std::string& topic, const base::xmpp::Stanza& stanza) override {
    const auto push = stanza.CustomTagForName("push");
    delivered.push_back({topic, stanza.Id(), push.FindChildCData("cmd"),
                         util::crypto::Decode64(push.FindChildCData("content")),
                         base::threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread()});
  }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const auto& entry : delivered) ids.push_back(entry.id);
    return ids;
  }
  std::vector<Delivered> delivered;
};

KOVANI_SIGNAL::PushConnection::Options QuickReconnect() {
  KOVANI_SIGNAL::PushConnection::Options options;
  options.initial_backoff_ms = 100;
  options.max_backoff_ms = 1000;
  options.idle_timeout_ms = 3000;
  return options;
}

class PushChannelTest : public BackendNetTest {
 protected:
  ~PushChannelTest() override { scope_.UnsubscribeAll(); }

  std::string Inject(int cmd, const std::string& content_json) {
    const auto answer = Admin().Call("POST", "/admin/push",
                                     {{"app_uid", alice_.app_uid}, {"cmd", cmd},
                                      {"content", nlohmann::json::parse(content_json)}});
    EXPECT_EQ(answer.status, 200) << answer.body;
    return std::to_string(answer.Json().value("id", int64_t{0}));
  }

  std::shared_ptr<KOVANI_SIGNAL::SignalClient> client_ = std::make_shared<KOVANI_SIGNAL::SignalClient>(QuickReconnect());
  KOVANI_SIGNAL::SignalClient::SubscribeScope scope_{client_};
  RecordingSubscriber subscriber_;
};

TEST_F(PushChannelTest, DeliversPushesOfTheSignedInUserOnTheMainLooper) {
  scope_.Subscribe("meetlog_push", &subscriber_);
  ASSERT_TRUE(RunUntil([&] { return client_->connected(); })) << backend_->log();
  const std::string id = Inject(4, R"({"uni_record_id":"qr1","msg_type":1})");
  ASSERT_TRUE(RunUntil([&] { return subscriber_.delivered.size() == 1; }));
  const Delivered& got = subscriber_.delivered[0];
  EXPECT_EQ(got.topic, "meetlog_push");
  EXPECT_EQ(got.id, id);
  EXPECT_EQ(got.cmd, "4");
  EXPECT_EQ(nlohmann::json::parse(got.content), nlohmann::json::parse(R"({"uni_record_id":"qr1","msg_type":1})"));
  EXPECT_TRUE(got.on_main_looper);

  // Another user's events never arrive.
  Admin().CreateUser("bob");
  ASSERT_EQ(Admin().Call("POST", "/admin/push", {{"app_uid", "bob"}, {"cmd", 1}, {"content", nlohmann::json::object()}})
                .status,
            200);
  Inject(5, R"({"n":2})");
  ASSERT_TRUE(RunUntil([&] { return subscriber_.delivered.size() == 2; }));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(subscriber_.delivered.size(), 2u);
  EXPECT_EQ(subscriber_.delivered[1].cmd, "5");
}

TEST_F(PushChannelTest, ReconnectsAfterTheBackEndRestartsWithoutLosingOrRepeatingEvents) {
  scope_.Subscribe("meetlog_push", &subscriber_);
  ASSERT_TRUE(RunUntil([&] { return client_->connected(); })) << backend_->log();
  const std::string first = Inject(4, R"({"n":1})");
  ASSERT_TRUE(RunUntil([&] { return subscriber_.delivered.size() == 1; }));

  const int port = backend_->api_port();
  ASSERT_EQ(backend_->Stop(), 0) << backend_->log();
  ASSERT_TRUE(RunUntil([&] { return !client_->connected(); }));
  ASSERT_TRUE(backend_->Start({"--api-port", std::to_string(port)})) << backend_->log();
  // Published before the client is back: it must come with the resumed stream.
  const std::string while_away = Inject(4, R"({"n":2})");
  ASSERT_TRUE(RunUntil([&] { return client_->connected(); }, 15000)) << backend_->log();
  const std::string after = Inject(4, R"({"n":3})");
  ASSERT_TRUE(RunUntil([&] { return subscriber_.delivered.size() >= 3; }, 15000));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(subscriber_.Ids(), (std::vector<std::string>{first, while_away, after}));
  EXPECT_GE(client_->connection()->connect_count(), 2);
}

TEST_F(PushChannelTest, ARefusedStreamKeepsRetryingWithoutConnecting) {
  host::app::Account wrong = AccountOf(alice_);
  wrong.token = "no-such-token";
  UseBackend(BackendUrl(), wrong);
  scope_.Subscribe("meetlog_push", &subscriber_);
  ASSERT_TRUE(RunUntil([&] { return client_->connection()->connect_count() >= 3; }));
  EXPECT_FALSE(client_->connected());
  // The account is fixed: the next attempt connects.
  UseBackend(BackendUrl(), AccountOf(alice_));
  client_->OnAccountChanged();
  ASSERT_TRUE(RunUntil([&] { return client_->connected(); }));
}

// A stream server of our own, to send what qr-backend never would.
class MalformedStreamTest : public HostNetTest {
 protected:
  MalformedStreamTest()
      : server_([this](httplib::Server& server) {
          server.Get("/v2/push/stream", [this](const httplib::Request& request, httplib::Response& response) {
            {
              std::lock_guard lock(mutex_);
              afters_.push_back(request.get_param_value("after"));
            }
            response.set_chunked_content_provider(
                "application/xml; charset=utf-8", [](size_t, httplib::DataSink& sink) {
                  const std::string lines =
                      "<ping/>\n"
                      "<message id=\"1\" type=\"push\"><push xmlns=\"halvard:kovani:meetlog_push\"><cmd>1\n"
                      "<message id=\"2\" type=\"push\"><push xmlns=\"halvard:kovani:meetlog_push\"><cmd>2</cmd>"
                      "<content>e30=</content></push></message>\n"
                      "garbage that is not xml\n"
                      "<message id=\"3\" type=\"push\"><push xmlns=\"halvard:kovani:meetlog_push\"><cmd>3</cmd>"
                      "<content>e30=</content></push></message>\n";
                  sink.write(lines.data(), lines.size());
                  sink.done();  // and the stream ends: the client must come back
                  return true;
                });
          });
        }) {
    UseBackend("http://127.0.0.1:" + std::to_string(server_.port()), TestAccount("alice"));
  }
  std::vector<std::string> Afters() {
    std::lock_guard lock(mutex_);
    return afters_;
  }

  std::mutex mutex_;
  std::vector<std::string> afters_;
  TestHttpServer server_;
};

TEST_F(MalformedStreamTest, MalformedLinesAreDroppedAndTheStreamIsResumedAfterTheLastGoodEvent) {
  auto client = std::make_shared<KOVANI_SIGNAL::SignalClient>(QuickReconnect());
  RecordingSubscriber subscriber;
  KOVANI_SIGNAL::SignalClient::SubscribeScope scope(client);
  scope.Subscribe("meetlog_push", &subscriber);
  ASSERT_TRUE(RunUntil([&] { return Afters().size() >= 3; }));
  scope.UnsubscribeAll();
  ASSERT_GE(subscriber.delivered.size(), 2u);
  EXPECT_EQ(subscriber.delivered[0].id, "2");
  EXPECT_EQ(subscriber.delivered[1].id, "3");
  EXPECT_EQ(subscriber.delivered[1].cmd, "3");
  const auto afters = Afters();
  EXPECT_EQ(afters[0], "");   // the first stream starts at the present
  EXPECT_EQ(afters[1], "3");  // the next ones after the last event seen
  EXPECT_EQ(afters[2], "3");
}

}  // namespace
}  // namespace host_net_test
