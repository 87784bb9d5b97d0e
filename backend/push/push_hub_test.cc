#include "push/push_hub.h"

#include <gtest/gtest.h>

#include <thread>

#include "common/clock.h"
#include "common/crypto.h"
#include "push/push_stanza.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

using std::chrono::milliseconds;

class BackendPushHubTest : public ::testing::Test {
 protected:
  TestDatabase database_;
  ManualClock clock_{1000};
  PushHub hub_{database_.db(), clock_, 3600};
};

TEST_F(BackendPushHubTest, EventsAfterACursorComeOldestFirstAndOnlyForTheirUser) {
  EXPECT_EQ(hub_.LatestId("alice"), 0);
  const int64_t first = *hub_.Publish("alice", 4, {{"n", 1}});
  hub_.Publish("bob", 4, {{"n", 2}});
  const int64_t third = *hub_.Publish("alice", 5, {{"n", 3}});
  EXPECT_EQ(hub_.LatestId("alice"), third);

  const auto all = hub_.Wait("alice", 0, milliseconds(0));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].id, first);
  EXPECT_EQ(all[1].cmd, 5);
  EXPECT_EQ(nlohmann::json::parse(all[1].content)["n"], 3);
  const auto later = hub_.Wait("alice", first, milliseconds(0));
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].id, third);
  EXPECT_TRUE(hub_.Wait("alice", third, milliseconds(0)).empty());
}

TEST_F(BackendPushHubTest, WaitingStreamWakesOnPublishAndOnShutdown) {
  std::vector<PushEvent> received;
  std::thread waiter([&] { received = hub_.Wait("alice", 0, std::chrono::minutes(1)); });
  hub_.Publish("alice", 4, {{"uni_record_id", "r"}});
  waiter.join();
  ASSERT_EQ(received.size(), 1u);

  std::thread blocked(
      [&] { received = hub_.Wait("alice", received[0].id, std::chrono::minutes(1)); });
  hub_.Shutdown();
  blocked.join();
  EXPECT_TRUE(received.empty());
  EXPECT_TRUE(hub_.shutting_down());
}

TEST_F(BackendPushHubTest, EventsSurviveARestartAndOldOnesExpire) {
  hub_.Publish("alice", 4, {{"n", 1}});
  database_.Reopen();
  PushHub reopened(database_.db(), clock_, 3600);
  EXPECT_EQ(reopened.Wait("alice", 0, milliseconds(0)).size(), 1u);
  clock_.Advance(3601);
  reopened.Publish("alice", 4, {{"n", 2}});  // publishing sweeps what is past retention
  const auto kept = reopened.Wait("alice", 0, milliseconds(0));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(nlohmann::json::parse(kept[0].content)["n"], 2);
}

TEST(BackendPushStanzaTest, FramesTheEventOnOneLine) {
  const PushEvent event{17, "a\"<b>", 4, R"({"msg_type":1})"};
  const std::string stanza = PushStanza(event);
  EXPECT_EQ(stanza,
            "<message id=\"17\" type=\"push\" to=\"a&quot;&lt;b&gt;\"><push "
            "xmlns=\"halvard:kovani:meetlog_push\"><cmd>4</cmd><content>" +
                Base64Encode(R"({"msg_type":1})") + "</content></push></message>");
  EXPECT_EQ(stanza.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace qr_backend
