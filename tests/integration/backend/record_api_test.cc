// The recording lifecycle and rename endpoints of qr-backend over real HTTP.

#include "backend_fixture.h"
#include "common/crypto.h"

namespace qr_backend::testing {
namespace {

using BackendRecordApiTest = BackendTest;

nlohmann::json RecordOf(const AdminClient& admin, const nlohmann::json& start) {
  return admin.Call("GET", "/admin/records/" + start["uni_record_id"].get<std::string>()).Json();
}

TEST_F(BackendRecordApiTest, StartAnswersEverythingAnUploadNeeds) {
  const auto start = StartRecord(alice_, "Weekly sync ✓");
  const std::string cos = "http://127.0.0.1:" + std::to_string(backend_->cos_port()) + "/";
  const std::string api = "http://127.0.0.1:" + std::to_string(backend_->api_port()) + "/";
  EXPECT_EQ(start["title"], "Weekly sync ✓");
  EXPECT_EQ(start["bucket_name"], "qr-records");
  EXPECT_EQ(start["video_cos_key"].get<std::string>().rfind(cos + "qr-records/", 0), 0u);
  EXPECT_EQ(start["cover_default_cos_key_v1"].get<std::string>().rfind(cos + "qr-records/", 0), 0u);
  EXPECT_NE(start["video_cos_key"], start["cover_default_cos_key_v1"]);
  for (const char* auth : {"video_auth_info", "cover_default_auth_info"}) {
    for (const char* verb : {"get", "put", "post", "head"}) {
      EXPECT_TRUE(start[auth][verb].is_string() && !start[auth][verb].get<std::string>().empty())
          << auth << "." << verb;
    }
  }
  for (const char* key : {"record_id", "uni_record_id", "file_id", "video_session_token",
                          "cover_session_token", "cover_feature_id"}) {
    EXPECT_FALSE(start.value(key, "").empty()) << key;
  }
  EXPECT_EQ(start["segment_size"], "4194304");
  EXPECT_EQ(start["jump_url"].get<std::string>().rfind(api + "play/", 0), 0u);
  EXPECT_EQ(start["jump_url_short"].get<std::string>().rfind(api + "s/", 0), 0u);
  EXPECT_EQ(RecordOf(Admin(), start)["record_state"], 2);
}

TEST_F(BackendRecordApiTest, StartRefusesASubjectThatIsNotBase64) {
  nlohmann::json body = StartBody("x");
  body["subject"] = "not base64!";
  const auto answer = Api(alice_).Post("/v2/record/control/get-start-data", body);
  EXPECT_EQ(answer["code"], 40000);
  EXPECT_FALSE(answer.contains("data"));
  body = StartBody("x");
  body["record_type"] = "holiday_video";
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/get-start-data", body)["code"], 40000);
}

TEST_F(BackendRecordApiTest, EmptySubjectFallsBackToTheRecordSubject) {
  nlohmann::json body = StartBody("");
  body["record_subject"] = "From the other field";
  const auto answer = Api(alice_).Post("/v2/record/control/get-start-data", body);
  ASSERT_EQ(answer["code"], 0);
  EXPECT_EQ(answer["data"]["title"], "From the other field");
}

TEST_F(BackendRecordApiTest, ReissueGivesFreshCredentialsForTheSameRecord) {
  const auto start = StartRecord(alice_);
  nlohmann::json body = StartBody("");
  body["record_id"] = start["record_id"];
  const auto again = Api(alice_).Post("/v2/record/control/get-start-data", body);
  ASSERT_EQ(again["code"], 0);
  EXPECT_EQ(again["data"]["video_cos_key"], start["video_cos_key"]);
  EXPECT_NE(again["data"]["video_session_token"], start["video_session_token"]);
  body["record_id"] = "1234";
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/get-start-data", body)["code"], 40400);
}

TEST_F(BackendRecordApiTest, CompleteNeedsTheWholeObject) {
  const auto start = StartRecord(alice_);
  auto missing = Complete(alice_, start, 12);
  EXPECT_EQ(missing["code"], 40900) << missing.dump();
  ASSERT_EQ(PutVideo(start, "0123456789").status, 200);
  EXPECT_EQ(Complete(alice_, start, 12)["code"], 40900);  // short
  EXPECT_EQ(Complete(alice_, start, 9)["code"], 40900);   // longer than announced
  EXPECT_EQ(RecordOf(Admin(), start)["record_state"], 2);

  const auto done = Complete(alice_, start, 10, "0");
  ASSERT_EQ(done["code"], 0) << done.dump();
  const auto record = RecordOf(Admin(), start);
  EXPECT_EQ(record["record_state"], 1);
  EXPECT_EQ(record["file_size"], 10);
  EXPECT_EQ(record["duration_ms"], 5000);  // a zero duration is stored as 5000 ms
  EXPECT_EQ(record["ext_info"]["record_mode"], "1");
}

TEST_F(BackendRecordApiTest, CompleteRefusesMalformedFields) {
  const auto start = StartRecord(alice_);
  ASSERT_EQ(PutVideo(start, "abc").status, 200);
  const ApiClient alice = Api(alice_);
  EXPECT_EQ(alice.Post("/v2/record/control/complete",
                       {{"record_id", start["record_id"]}, {"file_size", 3}})["code"],
            40000);  // a number where the wire format has decimal text
  EXPECT_EQ(alice.Post("/v2/record/control/complete", {{"record_id", start["record_id"]},
                                                       {"file_size", "3"},
                                                       {"file_duration", "1.5s"}})["code"],
            40000);
  EXPECT_EQ(alice.Post("/v2/record/control/complete", {{"file_size", "3"}})["code"], 40000);
  EXPECT_EQ(alice.Post("/v2/record/control/complete",
                       {{"record_id", "404404"}, {"file_size", "3"}})["code"],
            40400);
}

TEST_F(BackendRecordApiTest, DeleteRemovesTheRecordAndItsObjectsAndIsIdempotent) {
  const auto start = StartRecord(alice_);
  ASSERT_EQ(PutVideo(start, "video").status, 200);
  const nlohmann::json body = {{"record_id", start["record_id"]}};
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/delete", body)["code"], 0);
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/delete", body)["code"], 0);
  EXPECT_EQ(
      Admin().Call("GET", "/admin/records/" + start["uni_record_id"].get<std::string>()).status,
      404);
  // The old authorisation is revoked with the record: no read and no re-upload.
  const std::string path = ObjectClient::PathOf(start["video_cos_key"]);
  EXPECT_EQ(Objects().Request("GET", path, ObjectClient::Auth(start, "get")).status, 403);
  EXPECT_EQ(PutVideo(start, "again").status, 403);
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/query/record-capacity", {})["data"]["usedspace"], "0");
}

TEST_F(BackendRecordApiTest, CapacityReportsQuotaAndUseAsDecimalTexts) {
  const auto before = Api(alice_).Post("/v2/meetlog/query/record-capacity", {});
  ASSERT_EQ(before["code"], 0);
  for (const char* key : {"total_capacity", "usedspace", "meetlog_used_capacity",
                          "cloud_record_used_capacity", "capacity_limit_switch", "meetlog_count",
                          "cloud_record_count", "personal_record_count", "personal_used_space"}) {
    EXPECT_TRUE(before["data"][key].is_string()) << key;
  }
  EXPECT_EQ(before["data"]["total_capacity"], std::to_string(int64_t{10} << 30));

  const auto start = StartRecord(alice_);
  ASSERT_EQ(PutVideo(start, std::string(1000, 'v')).status, 200);
  ASSERT_EQ(Admin().Call("POST", "/admin/users/alice/quota", {{"quota_bytes", 1000}}).status, 200);
  const auto after = Api(alice_).Post("/v2/meetlog/query/record-capacity", {})["data"];
  EXPECT_EQ(after["total_capacity"], "1000");
  EXPECT_EQ(after["usedspace"], "1000");
  EXPECT_EQ(after["meetlog_used_capacity"], "1000");
  EXPECT_EQ(after["meetlog_count"], "1");
  EXPECT_EQ(after["capacity_limit_switch"], "1");
  // The space is used up: no new record, but the existing one can still get credentials.
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/get-start-data", StartBody("more"))["code"],
            41300);
  nlohmann::json reissue = StartBody("");
  reissue["record_id"] = start["record_id"];
  EXPECT_EQ(Api(alice_).Post("/v2/record/control/get-start-data", reissue)["code"], 0);
  // Bob's use is his own.
  EXPECT_EQ(Api(bob_).Post("/v2/meetlog/query/record-capacity", {})["data"]["usedspace"], "0");
}

class BackendRenameTest : public BackendTest {
 protected:
  nlohmann::json Rename(const nlohmann::json& start, const std::string& title) {
    return Api(alice_).Post(
        "/v2/meetlog/dashboard/update-record-info",
        {{"uni_record_id", start["uni_record_id"]}, {"title", title}, {"description", "d"}});
  }
  nlohmann::json Poll(const Account& who, const nlohmann::json& review) {
    return Api(who).Post("/v2/meetlog/censor/status", review);
  }
};

TEST_F(BackendRenameTest, TitleChangesOnlyOnceTheReviewAccepts) {
  const auto start = StartRecord(alice_, "Old");
  const auto rename = Rename(start, "New title");
  ASSERT_EQ(rename["code"], 0);
  const auto review = rename["data"];
  for (const char* key : {"fire_id", "biz_id", "resource_id", "resource_part_id", "version"}) {
    EXPECT_TRUE(review[key].is_string()) << key;
  }
  EXPECT_EQ(review["resource_id"], start["uni_record_id"]);
  EXPECT_EQ(review["resource_part_id"], start["file_id"]);

  const auto pending = Poll(alice_, review);
  EXPECT_EQ(pending["data"]["status"], 1);
  EXPECT_EQ(RecordOf(Admin(), start)["title"], "Old");
  const auto accepted = Poll(alice_, review);
  EXPECT_EQ(accepted["data"]["status"], 0);
  EXPECT_FALSE(accepted["data"]["tips"].get<std::string>().empty());
  EXPECT_EQ(RecordOf(Admin(), start)["title"], "New title");
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 0);  // a verdict stays
}

TEST_F(BackendRenameTest, BlockedWordsAreRejectedAfterTheConfiguredPolls) {
  ASSERT_EQ(Admin()
                .Call("POST", "/admin/settings",
                      {{"censor_block_words", {"forbidden"}}, {"censor_review_polls", 2}})
                .status,
            200);
  const auto start = StartRecord(alice_, "Old");
  const auto review = Rename(start, "A FORBIDDEN plan")["data"];
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 1);
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 1);
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 2);
  EXPECT_EQ(RecordOf(Admin(), start)["title"], "Old");
}

TEST_F(BackendRenameTest, ARenameWhoseClientStopsPollingIsSettledByTheServer) {
  ASSERT_EQ(Admin()
                .Call("POST", "/admin/settings",
                      {{"censor_block_words", {"forbidden"}},
                       {"censor_review_polls", 100},
                       {"censor_review_seconds", 2}})
                .status,
            200);
  auto stream = OpenPushStream(alice_);
  const auto kept = StartRecord(alice_, "Old");
  const auto refused = StartRecord(alice_, "Also old");
  const auto review = Rename(kept, "Settled alone")["data"];
  const auto blocked = Rename(refused, "A forbidden name")["data"];
  // One poll each, then the client goes away.
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 1);
  EXPECT_EQ(Poll(alice_, blocked)["data"]["status"], 1);

  // The server applies the accepted title and tells the owner, with nobody asking.
  const auto renamed = ParseStanza(stream->NextStanza(std::chrono::seconds(10)).value_or(""));
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed->cmd, 4);
  EXPECT_EQ(renamed->content["msg_type"], 2);
  EXPECT_EQ(renamed->content["uni_record_id"], kept["uni_record_id"]);
  EXPECT_EQ(RecordOf(Admin(), kept)["title"], "Settled alone");
  EXPECT_EQ(RecordOf(Admin(), refused)["title"], "Also old");
  // A client that comes back reads the verdicts the server reached.
  EXPECT_EQ(Poll(alice_, review)["data"]["status"], 0);
  EXPECT_EQ(Poll(alice_, blocked)["data"]["status"], 2);
}

TEST_F(BackendRenameTest, ReviewsAreFoundOnlyByTheirOwnerAndIdentity) {
  const auto start = StartRecord(alice_, "Old");
  auto review = Rename(start, "New")["data"];
  EXPECT_EQ(Poll(bob_, review)["code"], 40300);
  nlohmann::json wrong_version = review;
  wrong_version["version"] = "7";
  EXPECT_EQ(Poll(alice_, wrong_version)["code"], 40400);
  nlohmann::json wrong_fire = review;
  wrong_fire["fire_id"] = "nope";
  EXPECT_EQ(Poll(alice_, wrong_fire)["code"], 40400);
  EXPECT_EQ(Rename(start, "   ")["code"], 40000);
}

TEST_F(BackendRenameTest, ALateVerdictOnAnOlderRenameDoesNotWin) {
  ASSERT_EQ(Admin().Call("POST", "/admin/settings", {{"censor_review_polls", 0}}).status, 200);
  const auto start = StartRecord(alice_, "Old");
  const auto first = Rename(start, "First")["data"];
  const auto second = Rename(start, "Second")["data"];
  EXPECT_EQ(Poll(alice_, second)["data"]["status"], 0);
  EXPECT_EQ(Poll(alice_, first)["data"]["status"], 0);
  EXPECT_EQ(RecordOf(Admin(), start)["title"], "Second");
}

}  // namespace
}  // namespace qr_backend::testing
