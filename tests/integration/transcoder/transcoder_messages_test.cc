// Messages the process must survive, and the upload of plain files from disk.

#include <fstream>
#include <set>

#include "host/util/file.h"
#include "transcoder/upload_state.h"
#include "transcoder_fixture.h"

namespace qr_transcoder::testing {
namespace {

using base::json::JsonValue;

TEST_F(TranscoderTest, BadMessagesAreAnsweredWithoutDisturbingAGoodTask) {
  ASSERT_GT(StartTranscoder(), 0);
  const std::string base = Record("good", {2000}, false);
  JsonValue good = StartMessage("good", base, true);
  good.SetJsonObject("need_upload_file", false);
  Send("quick_record:start_transcode", good);

  Send("quick_record:start_transcode", std::string("{not json"));
  Send("quick_record:start_transcode", std::string("[1, 2]"));
  Send("quick_record:upload_file_auth", std::string(""));
  JsonValue no_output = StartMessage("bad-fields", base, true);
  no_output.RemoveMember("output_file");
  Send("quick_record:start_transcode", no_output);
  JsonValue wrong_type = AuthMessage("good", StartRecord(alice_));
  wrong_type.SetJsonObject("video_auth_info", "not an object");
  Send("quick_record:upload_file_auth", wrong_type);
  Send("quick_record:upload_file_auth", AuthMessage("nobody", StartRecord(alice_)));
  Send("quick_record:recording_finish", std::string(R"({"instance_id": "nobody", "record_time_duration": "x"})"));
  Send("quick_record:stop_transcode", std::string(R"({"instance_id": 7})"));
  Send("quick_record:no_such_message", std::string("{}"));
  JsonValue missing = StartMessage("missing", dir_.path() + "/absent", true);
  missing.SetJsonObject("need_upload_file", false);
  Send("quick_record:start_transcode", missing);

  const int bad_fields = WaitForEvent("quick_record:transcode_finish", "bad-fields");
  ASSERT_GE(bad_fields, 0);
  EXPECT_EQ(EventAt(bad_fields)["result"].AsInteger(), -6);
  const int auth_error = WaitForEvent("quick_record:upload_file_error", "good");
  ASSERT_GE(auth_error, 0);
  EXPECT_EQ(EventAt(auth_error)["error_code"].AsInteger(), 4);
  const int unknown = WaitForEvent("quick_record:upload_file_error", "nobody");
  ASSERT_GE(unknown, 0);
  EXPECT_EQ(EventAt(unknown)["error_code"].AsInteger(), 1);
  const int absent = WaitForEvent("quick_record:transcode_finish", "missing");
  ASSERT_GE(absent, 0);
  EXPECT_EQ(EventAt(absent)["result"].AsInteger(), -2);

  const int finished = WaitForEvent("quick_record:transcode_finish", "good");
  ASSERT_GE(finished, 0);
  EXPECT_EQ(EventAt(finished)["result"].AsInteger(-1), 0);
  EXPECT_NEAR(EventAt(finished)["muxer_event_duration"].AsInteger(), 2000, 34);
  EXPECT_TRUE(TranscoderRunning());
  EXPECT_TRUE(log_.exits.empty());

  // The rate query answers for the tasks it knows; a stop ends a running transcode with -21.
  const std::string live = Record("live", {1000}, false);
  Send("quick_record:start_transcode", StartMessage("live", live, false));
  Send("quick_record:transcode_rate", std::string("{}"));
  ASSERT_GE(WaitForEvent("quick_record:transcode_progress", "live"), 0);
  Send("quick_record:stop_transcode", std::string(R"({"instance_id": "live"})"));
  const int stopped = WaitForEvent("quick_record:transcode_finish", "live");
  ASSERT_GE(stopped, 0);
  EXPECT_EQ(EventAt(stopped)["result"].AsInteger(), -21);
}

class LocalUploadTest : public TranscoderTest {
 protected:
  // A plain file of `size` pseudo-random bytes.
  std::string MakeFile(const std::string& name, size_t size) {
    const std::string path = dir_.path() + "/" + name;
    std::string content(size, '\0');
    uint64_t state = 88172645463325252ull;
    for (char& c : content) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      c = static_cast<char>(state);
    }
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  JsonValue LocalMessage(const std::string& id, const std::string& path, const nlohmann::json& start) {
    JsonValue m = JsonValue::Object();
    m.SetJsonObject("instance_id", id);
    m.SetJsonObject("local_file_path", path);
    m.SetJsonObject("bucket_name", start.value("bucket_name", ""));
    m.SetJsonObject("cos_key", start.value("video_cos_key", ""));
    m.SetJsonObject("cos_url", start.value("video_cos_key", ""));
    m.SetJsonObject("record_id", start.value("record_id", ""));
    m.SetJsonObject("video_session_token", start.value("video_session_token", ""));
    m.SetJsonObject("segment_size", "4194304");
    m.SetJsonObject("video_auth_map", JsonValue::Parse(start["video_auth_info"].dump()));
    return m;
  }
};

TEST_F(LocalUploadTest, AFileIsUploadedInPartsThroughPauseAndResume) {
  ASSERT_GT(StartTranscoder(), 0);
  const std::string path = MakeFile("talk.mp4", (17 << 20) + 12345);
  const auto start = StartRecord(alice_);
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 400}});
  Send("quick_record:local_start_upload", LocalMessage("local-1", path, start));
  ASSERT_GE(WaitForEvent("quick_record:local_upload_started", "local-1"), 0);
  ASSERT_GE(WaitForEvent("quick_record:local_upload_progress", "local-1"), 0);
  Send("quick_record:local_pause_upload", std::string(R"({"instance_id": "local-1"})"));
  ClearFaults();
  const size_t progress_at_pause = log_.Named("quick_record:local_upload_progress", "local-1").size();
  EXPECT_TRUE(log_.Named("quick_record:local_upload_complete", "local-1").empty());

  Send("quick_record:local_resume_upload", LocalMessage("local-1", path, start));
  ASSERT_GE(WaitForEvent("quick_record:local_upload_complete", "local-1"), 0);
  EXPECT_EQ(ObjectMd5(start), LocalMd5(path));
  const auto progress = log_.Named("quick_record:local_upload_progress", "local-1");
  // 5 MiB parts (the store's minimum over the 4 MiB asked) and the rest; the resume reports the
  // parts it kept again.
  std::set<int64_t> sizes;
  for (const auto& event : progress) sizes.insert(event.json["uploaded_file_size"].AsInteger());
  EXPECT_EQ(sizes, (std::set<int64_t>{5 << 20, 10 << 20, 15 << 20, util::file::GetFileLength(path)}));
  EXPECT_GE(progress_at_pause, 1u);
  EXPECT_EQ(progress.back().json["uploaded_file_size"].AsInteger(), util::file::GetFileLength(path));
  EXPECT_EQ(progress.back().json["total_file_size"].AsInteger(), util::file::GetFileLength(path));
  // The part in flight at the pause may have gone up twice; no other.
  EXPECT_LE(AcceptedPartPuts(start), 5);
}

TEST_F(LocalUploadTest, AKilledProcessGoesOnWithTheSameUploadWhenTheTaskIsStartedAgain) {
  const std::string path = MakeFile("lecture.mp4", (30 << 20) + 777);  // seven 5 MiB parts
  const auto start = StartRecord(alice_);
  const std::string state_path = UploadStateFile::LocalPathFor(LocalStateDir(), "local-k");
  // Slow part uploads, so that the kill lands between parts.
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 300}});
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:local_start_upload", LocalMessage("local-k", path, start));
  ASSERT_TRUE(WaitFor([&] { return log_.Named("quick_record:local_upload_progress", "local-k").size() >= 2; }));
  KillTranscoder();
  ClearFaults();
  ASSERT_TRUE(log_.Named("quick_record:local_upload_complete", "local-k").empty()) << "finished before the kill";
  const auto saved = UploadStateFile::Load(state_path);
  ASSERT_TRUE(saved);
  EXPECT_GE(saved->parts.size(), 2u);
  EXPECT_FALSE(saved->upload_id.empty());
  const int before = AcceptedPartPuts(start);

  // The module starts the task again, as after any restart of the process.
  const size_t from = log_.events.size();
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:local_start_upload", LocalMessage("local-k", path, start));
  ASSERT_GE(WaitForEvent("quick_record:local_upload_complete", "local-k", from), 0) << backend_->log().substr(0, 2000);
  EXPECT_EQ(ObjectMd5(start), LocalMd5(path));
  // Each of the seven parts went up once: those acknowledged before the kill were kept.
  EXPECT_EQ(AcceptedPartPuts(start), 7);
  EXPECT_GT(AcceptedPartPuts(start), before);
  EXPECT_FALSE(util::file::IsFileExist(state_path)) << "a finished upload leaves no state";
}

TEST_F(LocalUploadTest, CancelAbortsTheUploadAndAMissingFileIsAnError) {
  ASSERT_GT(StartTranscoder(), 0);
  const std::string path = MakeFile("long.mp4", 12 << 20);
  const auto start = StartRecord(alice_);
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 500}});
  Send("quick_record:local_start_upload", LocalMessage("local-2", path, start));
  ASSERT_GE(WaitForEvent("quick_record:local_upload_progress", "local-2"), 0);
  Send("quick_record:local_cancel_upload", std::string(R"({"instance_id": "local-2"})"));
  ClearFaults();
  WaitFor([] { return false; }, 700);
  EXPECT_TRUE(log_.Named("quick_record:local_upload_complete", "local-2").empty());
  EXPECT_EQ(ObjectMd5(start), "");  // no object was made

  Send("quick_record:local_start_upload", LocalMessage("local-3", dir_.path() + "/gone.mp4", start));
  const int error = WaitForEvent("quick_record:local_upload_error", "local-3");
  ASSERT_GE(error, 0);
  EXPECT_EQ(EventAt(error)["error_code"].AsInteger(), 5);
  EXPECT_EQ(EventAt(error)["cos_url"].AsString(), start["video_cos_key"].get<std::string>());
}

}  // namespace
}  // namespace qr_transcoder::testing
