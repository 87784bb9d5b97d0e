#include "host/sdk/xmpp/signal_client.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"

namespace KOVANI_SIGNAL {
namespace {

base::xmpp::Stanza Push(const std::string& id, const std::string& xmlns = "halvard:kovani:meetlog_push") {
  return base::xmpp::Stanza::Parse("<message id=\"" + id + "\" type=\"push\"><push xmlns=\"" + xmlns +
                                   "\"><cmd>1</cmd></push></message>");
}

class RecordingSubscriber : public SignalClient::Subscriber {
 public:
  void OnSubscriptionResult(const std::string& topic, const base::xmpp::Stanza& stanza) override {
    seen.push_back(topic + "/" + stanza.Id());
    if (on_result) on_result();
  }
  std::vector<std::string> seen;
  std::function<void()> on_result;
};

// No back end is configured here, so the client's stream never opens; these tests drive Dispatch,
// which is what the stream calls for each stanza.
class SignalClientTest : public ::testing::Test {
 protected:
  base::test::TestTaskEnvironment env_;
  std::shared_ptr<SignalClient> client_ = std::make_shared<SignalClient>();
};

TEST_F(SignalClientTest, TheTopicIsTheLastPartOfThePayloadNamespace) {
  EXPECT_EQ(SignalClient::TopicOf(Push("1")), "meetlog_push");
  EXPECT_EQ(SignalClient::TopicOf(Push("1", "plain")), "plain");
  EXPECT_EQ(SignalClient::TopicOf(base::xmpp::Stanza::Parse("<message/>")), "");
}

TEST_F(SignalClientTest, DeliversOnlyToSubscribersOfTheStanzasTopic) {
  RecordingSubscriber meetlog;
  RecordingSubscriber other;
  SignalClient::SubscribeScope scope(client_);
  scope.Subscribe("meetlog_push", &meetlog);
  scope.Subscribe("other_push", &other);
  client_->Dispatch(Push("1"));
  client_->Dispatch(Push("2", "x:other_push"));
  client_->Dispatch(Push("3", "x:nobody"));
  EXPECT_EQ(meetlog.seen, std::vector<std::string>{"meetlog_push/1"});
  EXPECT_EQ(other.seen, std::vector<std::string>{"other_push/2"});
}

TEST_F(SignalClientTest, TheScopeEndsItsSubscriptionsAndTheStream) {
  RecordingSubscriber subscriber;
  {
    SignalClient::SubscribeScope scope(client_);
    scope.Subscribe("meetlog_push", &subscriber);
    ASSERT_NE(client_->connection(), nullptr);
    EXPECT_TRUE(client_->connection()->running());
  }
  client_->Dispatch(Push("1"));
  EXPECT_TRUE(subscriber.seen.empty());
  EXPECT_FALSE(client_->connection()->running());
}

TEST_F(SignalClientTest, ASubscriberRemovedDuringADispatchIsNotCalled) {
  RecordingSubscriber first;
  RecordingSubscriber second;
  auto scope = std::make_unique<SignalClient::SubscribeScope>(client_);
  scope->Subscribe("meetlog_push", &first);
  scope->Subscribe("meetlog_push", &second);
  // Whichever runs first removes the other.
  first.on_result = [&] { scope->Unsubscribe("meetlog_push", &second); };
  second.on_result = [&] { scope->Unsubscribe("meetlog_push", &first); };
  client_->Dispatch(Push("1"));
  EXPECT_EQ(first.seen.size() + second.seen.size(), 1u);
}

TEST_F(SignalClientTest, TheStreamRunsWhileAnyoneIsSubscribed) {
  RecordingSubscriber a;
  RecordingSubscriber b;
  SignalClient::SubscribeScope scope(client_);
  scope.Subscribe("meetlog_push", &a);
  scope.Subscribe("other_push", &b);
  scope.Unsubscribe("meetlog_push", &a);
  EXPECT_TRUE(client_->connection()->running());
  scope.Unsubscribe("other_push", &b);
  EXPECT_FALSE(client_->connection()->running());
  // Without a signed-in account and a back end the stream keeps retrying, never connecting.
  scope.Subscribe("meetlog_push", &a);
  env_.FastForwardBy(10'000);
  EXPECT_FALSE(client_->connected());
  EXPECT_EQ(client_->connection()->connect_count(), 0);
}

TEST(SignalClientAccessTest, TheHostClientIsOneObject) {
  EXPECT_NE(kovanisdk::utils::xmpp::signal_client(), nullptr);
  EXPECT_EQ(kovanisdk::utils::xmpp::signal_client(), kovanisdk::utils::xmpp::signal_client());
}

}  // namespace
}  // namespace KOVANI_SIGNAL
