// An upload interrupted by the death of qr-transcoder is finished by a new process from the
// state file beside the MP4 and the store's list of parts.

#include <signal.h>

#include <atomic>
#include <thread>

#include "host/util/file.h"
#include "transcoder/upload_state.h"
#include "transcoder_fixture.h"

namespace qr_transcoder::testing {
namespace {

using base::json::JsonValue;

JsonValue RecoverMessage(JsonValue auth, const std::string& output_file) {
  auth.SetJsonObject("output_file", output_file);
  return auth;
}

TEST_F(TranscoderTest, AProcessKilledMidUploadIsRecoveredWithoutSendingAPartTwice) {
  const std::string base = Record("killed", {6000});
  const std::string mp4 = base + ".mp4";
  const auto start = StartRecord(alice_);
  // Slow part uploads, so that the kill lands between parts.
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 300}});
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:start_transcode", StartMessage("rec-k", base, true));
  Send("quick_record:upload_file_auth", AuthMessage("rec-k", start));
  ASSERT_TRUE(WaitFor([&] { return log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-k").size() >= 2; }));
  KillTranscoder();
  ClearFaults();
  ASSERT_TRUE(log_.Named("quick_record:upload_file_complete", "rec-k").empty()) << "finished before the kill";
  const auto saved = UploadStateFile::Load(UploadStateFile::PathFor(mp4));
  ASSERT_TRUE(saved);
  EXPECT_GE(saved->parts.size(), 2u);
  const int before = AcceptedPartPuts(start);

  const size_t from = log_.events.size();
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:upload_file_recover_info", RecoverMessage(AuthMessage("rec-k", start), mp4));
  const int complete = WaitForEvent("quick_record:upload_file_complete", "rec-k", from);
  ASSERT_GE(complete, 0) << backend_->log().substr(0, 2000);
  EXPECT_TRUE(EventAt(complete)["is_recovery_upload"].AsBoolean());
  EXPECT_EQ(ObjectMd5(start), LocalMd5(mp4));
  EXPECT_GE(WaitForEvent("quick_record:upload_cover_file_finished", "rec-k", from), 0);

  // Every part the store acknowledged before the kill was kept: each part number went up once.
  const auto finished = UploadStateFile::Load(UploadStateFile::PathFor(mp4));
  ASSERT_TRUE(finished);
  EXPECT_TRUE(finished->upload_complete);
  EXPECT_EQ(AcceptedPartPuts(start), static_cast<int>(finished->parts.size()));
  EXPECT_GT(AcceptedPartPuts(start), before);
  const auto report = log_.Named("quick_record::data_report", "");
  ASSERT_FALSE(report.empty());
  EXPECT_GE(report.back().json["params"]["parts_kept"].AsInteger(), 2);
}

TEST_F(TranscoderTest, AProcessKilledWhileRecordingRecoversAndFollowsTheRestOfTheRecording) {
  const std::string base = dir_.path() + "/still-recording";
  const std::string mp4 = base + ".mp4";
  SyntheticRecording recording;
  ASSERT_TRUE(recording.Open(base, RecordingOptions(true)));
  const auto start = StartRecord(alice_);
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:start_transcode", StartMessage("rec-r", base, false));
  Send("quick_record:upload_file_auth", AuthMessage("rec-r", start));
  bool recorded = false;
  std::atomic<bool> first_half{false};
  // Joined on every way out, so a failed assertion does not leave it running.
  std::jthread recorder([&] {
    recorded = recording.RecordSegment(3500, true);
    first_half = true;
    recorded = recording.RecordSegment(3500, true) && recorded && recording.Finish();
  });
  ASSERT_TRUE(WaitFor([&] { return first_half.load(); }));
  ASSERT_TRUE(WaitFor([&] { return !log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-r").empty(); }));
  KillTranscoder();

  // The recorder goes on; a new process takes the upload over and follows the streams again.
  const size_t from = log_.events.size();
  ASSERT_GT(StartTranscoder(), 0);
  JsonValue recover = RecoverMessage(AuthMessage("rec-r", start), mp4);
  recover.SetJsonObject("is_record_complete", false);
  Send("quick_record:upload_file_recover_info", recover);
  recorder.join();
  ASSERT_TRUE(recorded);
  Send("quick_record:recording_finish", std::string(R"({"instance_id": "rec-r", "record_time_duration": 7000})"));
  const int complete = WaitForEvent("quick_record:upload_file_complete", "rec-r", from);
  ASSERT_GE(complete, 0);
  EXPECT_EQ(ObjectMd5(start), LocalMd5(mp4));
  const int finished = log_.Find("quick_record:transcode_finish", "rec-r", from);
  ASSERT_GE(finished, 0);
  EXPECT_NEAR(EventAt(finished)["muxer_event_duration"].AsInteger(), 7000, 34);
  const auto state = UploadStateFile::Load(UploadStateFile::PathFor(mp4));
  ASSERT_TRUE(state);
  EXPECT_EQ(AcceptedPartPuts(start), static_cast<int>(state->parts.size()));
}

TEST_F(TranscoderTest, EndingTheProcessLeavesItsStateWrittenAndRecoveryFinishesTheUpload) {
  const std::string base = Record("ended", {5000});
  const std::string mp4 = base + ".mp4";
  const auto start = StartRecord(alice_);
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 300}});
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:start_transcode", StartMessage("rec-e", base, true));
  Send("quick_record:upload_file_auth", AuthMessage("rec-e", start));
  ASSERT_TRUE(WaitFor([&] { return !log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-e").empty(); }));
  // The host ends it (SIGTERM): the part in flight is abandoned, the process exits on its own.
  const size_t exits = log_.exits.size();
  ASSERT_TRUE(service_->EndProcess(target_));
  ASSERT_TRUE(WaitFor([&] { return log_.exits.size() > exits; }));
  EXPECT_EQ(log_.exits.back()["reason"].AsString(), "ended");
  EXPECT_EQ(log_.exits.back()["signal"].AsInteger(0), 0) << "needed SIGKILL";
  const auto saved = UploadStateFile::Load(UploadStateFile::PathFor(mp4));
  ASSERT_TRUE(saved);
  EXPECT_FALSE(saved->upload_id.empty());
  ClearFaults();

  const size_t from = log_.events.size();
  ASSERT_GT(StartTranscoder(), 0);
  Send("quick_record:upload_file_recover_info", RecoverMessage(AuthMessage("rec-e", start), mp4));
  ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", "rec-e", from), 0);
  EXPECT_EQ(ObjectMd5(start), LocalMd5(mp4));
}

TEST_F(TranscoderTest, ARecoveryWithoutAStateFileAsksToStartOver) {
  ASSERT_GT(StartTranscoder(), 0);
  const auto start = StartRecord(alice_);
  Send("quick_record:upload_file_recover_info", RecoverMessage(AuthMessage("rec-none", start), dir_.path() + "/none.mp4"));
  const int error = WaitForEvent("quick_record:upload_file_error", "rec-none");
  ASSERT_GE(error, 0);
  EXPECT_EQ(EventAt(error)["error_code"].AsInteger(), 1);
}

}  // namespace
}  // namespace qr_transcoder::testing
