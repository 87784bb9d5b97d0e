// The push stream of qr-backend: framing, heartbeats, per-user delivery and resumption.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kWait(5000);

class BackendPushStreamTest : public BackendTest {
 protected:
  int64_t InjectPush(const std::string& app_uid, int cmd, const nlohmann::json& content) {
    const auto answer = Admin().Call("POST", "/admin/push",
                                     {{"app_uid", app_uid}, {"cmd", cmd}, {"content", content}});
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.Json().value("id", int64_t{0});
  }
};

TEST_F(BackendPushStreamTest, CompletingARecordPushesCommandFourToItsOwner) {
  auto stream = OpenPushStream(alice_);
  EXPECT_EQ(stream->status(), 200);
  EXPECT_EQ(stream->content_type(), "application/xml; charset=utf-8");
  const auto start = StartRecord(alice_);
  ASSERT_EQ(PutVideo(start, "abc").status, 200);
  ASSERT_EQ(Complete(alice_, start, 3)["code"], 0);

  const auto line = stream->NextStanza(kWait);
  ASSERT_TRUE(line);
  const auto stanza = ParseStanza(*line);
  ASSERT_TRUE(stanza) << *line;
  EXPECT_EQ(stanza->to, "alice");
  EXPECT_EQ(stanza->cmd, 4);
  EXPECT_EQ(stanza->content["uni_record_id"], start["uni_record_id"]);
  EXPECT_EQ(stanza->content["file_id"], start["file_id"]);
  EXPECT_EQ(stanza->content["msg_type"], 1);
}

TEST_F(BackendPushStreamTest, RenameAndCancelPushTheirOwnMessageTypes) {
  auto stream = OpenPushStream(alice_);
  ASSERT_EQ(Admin().Call("POST", "/admin/settings", {{"censor_review_polls", 0}}).status, 200);
  const auto start = StartRecord(alice_);
  const auto review =
      Api(alice_).Post("/v2/meetlog/dashboard/update-record-info",
                       {{"uni_record_id", start["uni_record_id"]}, {"title", "Renamed"}})["data"];
  ASSERT_EQ(Api(alice_).Post("/v2/meetlog/censor/status", review)["data"]["status"], 0);
  ASSERT_EQ(
      Api(alice_).Post("/v2/record/control/delete", {{"record_id", start["record_id"]}})["code"],
      0);
  const auto renamed = ParseStanza(stream->NextStanza(kWait).value_or(""));
  const auto deleted = ParseStanza(stream->NextStanza(kWait).value_or(""));
  ASSERT_TRUE(renamed && deleted);
  EXPECT_EQ(renamed->content["msg_type"], 2);
  EXPECT_EQ(deleted->content["msg_type"], 3);
  EXPECT_LT(renamed->id, deleted->id);
}

TEST_F(BackendPushStreamTest, IdleStreamsGetHeartbeatsAndOnlyTheirOwnEvents) {
  auto stream = OpenPushStream(alice_);
  EXPECT_EQ(stream->NextLine(kWait), "<ping/>");  // a heartbeat after 200 ms of silence
  InjectPush("bob", 4, {{"for", "bob"}});
  InjectPush("alice", 6, {{"msg_type", 3}});
  const auto stanza = ParseStanza(stream->NextStanza(kWait).value_or(""));
  ASSERT_TRUE(stanza);
  EXPECT_EQ(stanza->cmd, 6);
  EXPECT_EQ(stanza->content["msg_type"], 3);
}

TEST_F(BackendPushStreamTest, ReconnectingAfterTheLastSeenIdGetsWhatWasMissed) {
  int64_t seen = 0;
  {
    auto stream = OpenPushStream(alice_);
    InjectPush("alice", 4, {{"n", 1}});
    const auto first = ParseStanza(stream->NextStanza(kWait).value_or(""));
    ASSERT_TRUE(first);
    seen = first->id;
  }
  InjectPush("alice", 4, {{"n", 2}});
  InjectPush("alice", 4, {{"n", 3}});

  SignOptions resume;
  resume.extra_query = {{"after", std::to_string(seen)}};
  auto resumed = OpenPushStream(alice_, resume);
  const auto second = ParseStanza(resumed->NextStanza(kWait).value_or(""));
  const auto third = ParseStanza(resumed->NextStanza(kWait).value_or(""));
  ASSERT_TRUE(second && third);
  EXPECT_EQ(second->content["n"], 2);
  EXPECT_EQ(third->content["n"], 3);

  // Without "after" a stream starts at the present.
  auto fresh = OpenPushStream(alice_);
  InjectPush("alice", 4, {{"n", 4}});
  const auto fourth = ParseStanza(fresh->NextStanza(kWait).value_or(""));
  ASSERT_TRUE(fourth);
  EXPECT_EQ(fourth->content["n"], 4);
}

TEST_F(BackendPushStreamTest, EventsSurviveARestart) {
  const int64_t before = InjectPush("alice", 4, {{"n", 0}});
  InjectPush("alice", 4, {{"n", 1}});
  Restart();
  SignOptions resume;
  resume.extra_query = {{"after", std::to_string(before)}};
  auto stream = OpenPushStream(alice_, resume);
  const auto stanza = ParseStanza(stream->NextStanza(kWait).value_or(""));
  ASSERT_TRUE(stanza);
  EXPECT_EQ(stanza->content["n"], 1);
}

TEST_F(BackendPushStreamTest, LinesArriveAtOnceEvenWhenTheClientAcceptsGzip) {
  auto stream = OpenPushStream(alice_, {}, {{"Accept-Encoding", "gzip, deflate"}});
  InjectPush("alice", 4, {{"n", 1}});
  EXPECT_TRUE(ParseStanza(stream->NextStanza(kWait).value_or("")));
}

TEST_F(BackendPushStreamTest, ARefusedStreamAnswersTheEnvelope) {
  SignOptions tampered;
  tampered.tamper_signature = true;
  PushReader stream(backend_->api_port(), Api(alice_), tampered);
  const auto line = stream.NextLine(kWait);
  ASSERT_TRUE(line);
  EXPECT_EQ(nlohmann::json::parse(*line, nullptr, false).value("code", 0), 40002);
  EXPECT_EQ(stream.content_type(), "application/json");

  SignOptions bad_cursor;
  bad_cursor.extra_query = {{"after", "yesterday"}};
  PushReader cursor(backend_->api_port(), Api(alice_), bad_cursor);
  EXPECT_EQ(
      nlohmann::json::parse(cursor.NextLine(kWait).value_or(""), nullptr, false).value("code", 0),
      40000);
}

TEST_F(BackendPushStreamTest, ShutdownEndsOpenStreamsPromptly) {
  auto stream = OpenPushStream(alice_);
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(backend_->Stop(), 0) << backend_->log();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(8));
  while (stream->NextLine(milliseconds(100))) {
  }
  EXPECT_TRUE(stream->ended());
}

}  // namespace
}  // namespace qr_backend::testing
