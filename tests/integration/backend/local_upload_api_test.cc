// Local file uploads: limits, file-name censor, file completion and batches; meeting pushes.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

using BackendLocalUploadApiTest = BackendTest;

TEST_F(BackendLocalUploadApiTest, LimitsAnswerTheDefaultsAndFollowTheAdmin) {
  const auto defaults = Api(alice_).Post("/v2/meetlog/dashboard/upload_infos", {});
  ASSERT_EQ(defaults["code"], 0);
  const auto& data = defaults["data"];
  EXPECT_EQ(data["video_limit_type"], "mov,avi,wmv,ogg,mp4,mpeg,3gp,flv,m4v");
  EXPECT_EQ(data["audio_limit_type"], "wma,wav,mp3,aac,m4a,aiff,ogg,amr");
  EXPECT_EQ(data["file_size_limit"], "4");
  EXPECT_EQ(data["file_duration_limit"], 28800000);
  EXPECT_EQ(data["batch_file_count_limit"], 100);
  EXPECT_EQ(data["batch_file_total_limit"], 200);
  EXPECT_TRUE(data["switch_status"].is_number_integer());

  ASSERT_EQ(Admin()
                .Call("POST", "/admin/settings",
                      {{"upload_limits", {{"file_size_limit_gb", 2}, {"video_formats", "mp4"}}}})
                .status,
            200);
  ASSERT_EQ(
      Admin()
          .Call("POST", "/admin/settings", {{"upload_limits", {{"batch_file_count_limit", 5}}}})
          .status,
      200);
  Restart();
  const auto changed = Api(alice_).Post("/v2/meetlog/dashboard/upload_infos", {})["data"];
  EXPECT_EQ(changed["file_size_limit"], "2");
  EXPECT_EQ(changed["video_limit_type"], "mp4");
  EXPECT_EQ(changed["batch_file_count_limit"], 5);
  EXPECT_EQ(changed["batch_file_total_limit"], 200);
  EXPECT_EQ(Admin().Call("POST", "/admin/settings", {{"upload_limits", {{"size", 1}}}}).status,
            400);
}

TEST_F(BackendLocalUploadApiTest, CensorGivesAVerdictPerFileId) {
  ASSERT_EQ(Admin().Call("POST", "/admin/settings", {{"censor_block_words", {"leak"}}}).status,
            200);
  const auto answer = Api(alice_).Post("/v2/meetlog/censor/batch-censor-filename",
                                       {{"files",
                                         {{{"file_id", "f1"}, {"file_name", "holiday.mp4"}},
                                          {{"file_id", "f2"}, {"file_name", "Budget LEAK.mov"}}}}});
  ASSERT_EQ(answer["code"], 0) << answer.dump();
  const auto& files = answer["data"]["files"];
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]["file_id"], "f1");
  EXPECT_EQ(files[0]["status"], 0);
  EXPECT_EQ(files[0]["is_pass"], true);
  EXPECT_EQ(files[1]["file_id"], "f2");
  EXPECT_EQ(files[1]["status"], 2);
  EXPECT_EQ(files[1]["is_pass"], false);
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/censor/batch-censor-filename",
                             {{"files", {{{"file_id", "f1"}}}}})["code"],
            40000);
}

TEST_F(BackendLocalUploadApiTest, UploadedFilesCompleteIntoABatchThatCanBeFinished) {
  EXPECT_EQ(
      Api(alice_).Post("/v2/meetlog/control/batch-upload-finish", {{"batch_id", "b-1"}})["code"],
      40400);
  nlohmann::json body = StartBody("lecture.mp4");
  body["record_type"] = "user_upload";
  const auto start = Api(alice_).Post("/v2/record/control/get-start-data", body)["data"];
  ASSERT_EQ(PutVideo(start, "local file").status, 200);
  const auto complete =
      Api(alice_).Post("/v2/record/control/complete", {{"record_start_time", "1700000000000"},
                                                       {"record_id", start["record_id"]},
                                                       {"file_size", "10"},
                                                       {"file_type", "3"},
                                                       {"file_duration", "0"},
                                                       {"record_type", "user_upload"},
                                                       {"batch_id", "b-1"},
                                                       {"specker_nums", 2},
                                                       {"switch_status", 1}});
  ASSERT_EQ(complete["code"], 0) << complete.dump();
  const auto record =
      Admin().Call("GET", "/admin/records/" + start["uni_record_id"].get<std::string>()).Json();
  EXPECT_EQ(record["record_type"], "user_upload");
  EXPECT_EQ(record["file_type"], "3");
  EXPECT_EQ(record["speaker_nums"], 2);
  EXPECT_EQ(record["switch_status"], 1);
  EXPECT_EQ(record["duration_ms"], 5000);
  EXPECT_EQ(record["batch_id"], "b-1");

  for (int again = 0; again < 2; ++again) {  // a client re-sends it after a restart
    const auto finished =
        Api(alice_).Post("/v2/meetlog/control/batch-upload-finish", {{"batch_id", "b-1"}});
    ASSERT_EQ(finished["code"], 0) << finished.dump();
    EXPECT_EQ(finished["data"]["record_count"], 1);
  }
  // Bob's batch of the same name is his own.
  EXPECT_EQ(
      Api(bob_).Post("/v2/meetlog/control/batch-upload-finish", {{"batch_id", "b-1"}})["code"],
      40400);
}

TEST_F(BackendLocalUploadApiTest, MeetingRecordChangesPushCommandSevenToParticipants) {
  const auto start = StartRecord(alice_);
  ASSERT_EQ(
      Admin().Call("POST", "/admin/meetings/m-9/participants", {{"app_uids", {"bob"}}}).status,
      200);
  PushReader stream(backend_->api_port(), Api(bob_));
  ASSERT_EQ(stream.NextLine(std::chrono::seconds(5)), "<ping/>");
  ASSERT_EQ(
      Admin()
          .Call("POST", "/admin/records/" + start["uni_record_id"].get<std::string>() + "/meeting",
                {{"meeting_id", "m-9"}, {"sub_meeting_id", "s-1"}, {"room_id", "r"}})
          .status,
      200);
  ASSERT_EQ(PutVideo(start, "abc").status, 200);
  ASSERT_EQ(Complete(alice_, start, 3)["code"], 0);
  for (int notify_type : {1, 2}) {  // attached, then changed by the completion
    const auto stanza = ParseStanza(stream.NextStanza(std::chrono::seconds(5)).value_or(""));
    ASSERT_TRUE(stanza);
    EXPECT_EQ(stanza->cmd, 7);
    EXPECT_EQ(stanza->to, "bob");
    EXPECT_EQ(stanza->content["notify_type"], notify_type);
    EXPECT_EQ(stanza->content["meeting_id"], "m-9");
    EXPECT_EQ(stanza->content["sub_meeting_id"], "s-1");
    EXPECT_EQ(stanza->content["table_type"], 3);
  }
}

}  // namespace
}  // namespace qr_backend::testing
