// Signed-request verification of qr-backend over real HTTP, and what survives a restart.

#include <fstream>
#include <regex>

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

constexpr char kCapacity[] = "/v2/meetlog/query/record-capacity";

using BackendVerificationTest = BackendTest;

void ExpectRefused(const nlohmann::json& envelope, int code) {
  EXPECT_EQ(envelope.value("code", -1), code) << envelope.dump();
  EXPECT_FALSE(envelope.value("msg", "").empty());
  EXPECT_FALSE(envelope.contains("data")) << envelope.dump();
}

TEST_F(BackendVerificationTest, AcceptedRequestGetsTheFullEnvelope) {
  SignOptions options;
  options.nonce = "00112233445566aa";
  const auto envelope = Api(alice_).Post(kCapacity, nlohmann::json::object(), options);
  EXPECT_EQ(envelope["code"], 0);
  EXPECT_EQ(envelope["msg"], "ok");
  EXPECT_EQ(envelope["nonce"], "00112233445566aa");
  EXPECT_TRUE(envelope["data"].is_object());
}

TEST_F(BackendVerificationTest, EachFailedCheckHasItsCodeAndNoData) {
  const ApiClient alice = Api(alice_);
  SignOptions tampered;
  tampered.tamper_signature = true;
  ExpectRefused(alice.Post(kCapacity, {}, tampered), 40002);

  SignOptions stale;
  stale.timestamp_offset = -301;
  ExpectRefused(alice.Post(kCapacity, {}, stale), 40003);
  SignOptions future;
  future.timestamp_offset = 310;
  ExpectRefused(alice.Post(kCapacity, {}, future), 40003);

  SignOptions once;
  once.nonce = "aaaaaaaaaaaaaaaa";
  EXPECT_EQ(alice.Post(kCapacity, {}, once)["code"], 0);
  const auto replay = alice.Post(kCapacity, {}, once);
  ExpectRefused(replay, 40004);
  EXPECT_EQ(replay["nonce"], "aaaaaaaaaaaaaaaa");

  ExpectRefused(Api({"alice", "not-a-token", alice_.secret}).Post(kCapacity, {}), 40001);
  // Signed with another user's secret.
  ExpectRefused(Api({"alice", alice_.token, bob_.secret}).Post(kCapacity, {}), 40002);
}

TEST_F(BackendVerificationTest, MissingNonceIsRefusedBeforeTheSignature) {
  httplib::Client client("127.0.0.1", backend_->api_port());
  const auto result = client.Post("/v2/meetlog/query/record-capacity?timestamp=1",
                                  {{"X-QR-Token", alice_.token}, {"X-QR-Signature", "x"}}, "{}",
                                  "application/json");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  ExpectRefused(nlohmann::json::parse(result->body), 40005);
}

TEST_F(BackendVerificationTest, ABodyThatIsNotAnObjectIsABadRequest) {
  const HttpAnswer answer = Api(alice_).Send("POST", "/v2/record/control/delete", "[1, 2]");
  ExpectRefused(answer.Json(), 40000);
}

TEST_F(BackendVerificationTest, AnotherUsersRecordIsForbiddenEverywhere) {
  const auto start = StartRecord(alice_);
  const ApiClient bob = Api(bob_);
  ExpectRefused(Complete(bob_, start, 1), 40300);
  ExpectRefused(bob.Post("/v2/record/control/delete", {{"record_id", start["record_id"]}}), 40300);
  nlohmann::json reissue = StartBody("mine now");
  reissue["record_id"] = start["record_id"];
  ExpectRefused(bob.Post("/v2/record/control/get-start-data", reissue), 40300);
  ExpectRefused(bob.Post("/v2/meetlog/dashboard/update-record-info",
                         {{"uni_record_id", start["uni_record_id"]}, {"title", "x"}}),
                40300);
  // Alice's record is untouched.
  const auto record =
      Admin().Call("GET", "/admin/records/" + start["uni_record_id"].get<std::string>());
  EXPECT_EQ(record.status, 200);
  EXPECT_EQ(record.Json()["title"], "My talk");
}

TEST_F(BackendVerificationTest, RestartKeepsAccountsRecordsAndReplayProtection) {
  const auto start = StartRecord(alice_);
  SignOptions once;
  once.nonce = "bbbbbbbbbbbbbbbb";
  EXPECT_EQ(Api(alice_).Post(kCapacity, {}, once)["code"], 0);

  Restart();
  ExpectRefused(Api(alice_).Post(kCapacity, {}, once), 40004);
  nlohmann::json reissue = StartBody("ignored");
  reissue["record_id"] = start["record_id"];
  const auto again = Api(alice_).Post("/v2/record/control/get-start-data", reissue);
  ASSERT_EQ(again["code"], 0) << again.dump();
  EXPECT_EQ(again["data"]["uni_record_id"], start["uni_record_id"]);
  EXPECT_EQ(again["data"]["title"], "My talk");
  // The old credentials still work after the restart, and so do the new ones.
  EXPECT_EQ(PutVideo(start, "old auth").status, 200);
  EXPECT_EQ(PutVideo(again["data"], "new auth").status, 200);
}

TEST_F(BackendVerificationTest, KillNineKeepsWhatWasAcknowledged) {
  const auto start = StartRecord(alice_);
  ASSERT_EQ(PutVideo(start, "0123456789").status, 200);
  ASSERT_EQ(Complete(alice_, start, 10)["code"], 0);
  backend_->Kill();
  ASSERT_TRUE(backend_->Start()) << backend_->log();
  const auto record =
      Admin().Call("GET", "/admin/records/" + start["uni_record_id"].get<std::string>()).Json();
  EXPECT_EQ(record["record_state"], 1);
  const auto video = Objects().Request("GET", ObjectClient::PathOf(start["video_cos_key"]),
                                       ObjectClient::Auth(start, "get"));
  EXPECT_EQ(video.status, 200);
  EXPECT_EQ(video.body, "0123456789");
}

TEST_F(BackendVerificationTest, AdminApiNeedsTheToken) {
  const AdminClient wrong(backend_->api_port(), "wrong");
  EXPECT_EQ(wrong.Call("GET", "/admin/users/alice").status, 403);
  EXPECT_EQ(Admin().Call("GET", "/admin/users/alice").status, 200);
  EXPECT_EQ(Admin().Call("POST", "/admin/users", {{"app_uid", "alice"}}).status, 409);
  EXPECT_EQ(Admin().Call("POST", "/admin/users", {{"app_uid", "bad uid"}}).status, 400);
}

TEST_F(BackendVerificationTest, StartupLineAndClientConfigDescribeAWorkingServer) {
  EXPECT_GT(backend_->api_port(), 0);
  EXPECT_GT(backend_->cos_port(), 0);
  EXPECT_NE(backend_->api_port(), backend_->cos_port());
  EXPECT_TRUE(std::regex_match(backend_->admin_token(), std::regex("[0-9a-f]{32}")));

  const std::string path = dir_.path() + "/client.json";
  ASSERT_EQ(backend_->Stop(), 0);
  ASSERT_TRUE(backend_->Start({"--write-client-config", path})) << backend_->log();
  std::ifstream in(path);
  const auto client = nlohmann::json::parse(in, nullptr, false);
  ASSERT_TRUE(client.is_object());
  EXPECT_EQ(client["backend_url"], "http://127.0.0.1:" + std::to_string(backend_->api_port()));
  const auto& account = client["account"];
  EXPECT_EQ(account["app_uid"], "demo");
  const Account demo{"demo", account["token"], account["secret"]};
  EXPECT_EQ(Api(demo).Post(kCapacity, {})["code"], 0);
}

}  // namespace
}  // namespace qr_backend::testing
