// qr-transcoder over the bridge against qr-backend: a recording uploaded while it grows, and
// what comes out of it.

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "host/util/file.h"
#include "transcoder_fixture.h"

namespace qr_transcoder::testing {
namespace {

using base::json::JsonValue;

// ffprobe's view of a file: its JSON answer and whatever it complained about.
struct Probe {
  nlohmann::json json;
  std::string warnings;
};

Probe RunFfprobe(const std::string& path) {
  const std::string err = path + ".ffprobe.err";
  // Counting the packets makes ffprobe read every one, so timestamp trouble would be reported.
  const std::string command = "ffprobe -v warning -count_packets "
                              "-show_entries format=duration:stream=codec_name,codec_type,nb_read_packets "
                              "-of json '" + path + "' 2>'" + err + "'";
  Probe probe;
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  probe.json = nlohmann::json::parse(out, nullptr, false);
  util::file::ReadFileToString(err, &probe.warnings);
  return probe;
}

TEST_F(TranscoderTest, ARecordingIsUploadedWhileItGrowsAndTheObjectIsTheLocalMp4) {
  ASSERT_GT(StartTranscoder(), 0);
  const std::string base = dir_.path() + "/live";
  SyntheticRecording recording;
  ASSERT_TRUE(recording.Open(base, RecordingOptions(true)));

  const auto start = StartRecord(alice_);
  Send("quick_record:start_transcode", StartMessage("rec-1", base, false));
  Send("quick_record:upload_file_auth", AuthMessage("rec-1", start));
  // Two segments with a pause between them, written at the pace of a live recorder on a thread
  // of its own while the test thread runs the host's main loop.
  bool recorded = false;
  std::jthread recorder([&] {
    recorded = recording.RecordSegment(2500, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    recorded = recording.RecordSegment(2500, true) && recorded && recording.Finish();
  });
  WaitFor([&] { return !log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-1").empty(); }, 4500);
  // A part went up while the recording was still running.
  const bool part_while_recording = !log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-1").empty();
  recorder.join();
  ASSERT_TRUE(recorded);
  EXPECT_TRUE(part_while_recording);
  const size_t before_finish = log_.events.size();
  JsonValue finish = JsonValue::Object();
  finish.SetJsonObject("instance_id", "rec-1");
  finish.SetJsonObject("record_time_duration", 5000);
  Send("quick_record:recording_finish", finish);

  const int transcoded = WaitForEvent("quick_record:transcode_finish", "rec-1", before_finish);
  const int complete = WaitForEvent("quick_record:upload_file_complete", "rec-1", before_finish);
  const int cover = WaitForEvent("quick_record:upload_cover_file_finished", "rec-1", before_finish);
  ASSERT_GE(transcoded, 0);
  ASSERT_GE(complete, 0);
  ASSERT_GE(cover, 0);
  EXPECT_LT(transcoded, complete);
  EXPECT_LT(complete, cover);
  EXPECT_EQ(EventAt(transcoded)["result"].AsInteger(-1), 0);
  EXPECT_NEAR(EventAt(transcoded)["muxer_event_duration"].AsInteger(), 5000, 34);

  const std::string mp4 = base + ".mp4";
  EXPECT_EQ(EventAt(complete)["mp4_file_path"].AsString(), mp4);
  EXPECT_EQ(EventAt(complete)["mp4_file_size"].AsInteger(), util::file::GetFileLength(mp4));
  EXPECT_EQ(EventAt(complete)["record_id"].AsString(), start["record_id"].get<std::string>());
  EXPECT_EQ(ObjectMd5(start), LocalMd5(mp4));
  EXPECT_EQ(ObjectMd5(start, "cover"), LocalMd5(base + ".kovtc"));
  // Every part but the last has the store's minimum size.
  const auto parts = log_.Named("quick_record:upload_file_upload_subpart_finished", "rec-1");
  ASSERT_GE(parts.size(), 2u);
  for (size_t i = 0; i + 1 < parts.size(); ++i) EXPECT_EQ(parts[i].json["part_file_size"].AsInteger(), 5 << 20);
  // The back end takes the object as the record's video.
  EXPECT_EQ(Complete(alice_, start, util::file::GetFileLength(mp4)).value("code", -1), 0);

  const Probe probe = RunFfprobe(mp4);
  EXPECT_EQ(probe.warnings, "");
  ASSERT_TRUE(probe.json.contains("streams")) << probe.json.dump();
  ASSERT_EQ(probe.json["streams"].size(), 2u);
  EXPECT_EQ(probe.json["streams"][0].value("codec_name", ""), "h264");
  EXPECT_EQ(probe.json["streams"][0].value("nb_read_packets", ""), "150");  // 5 s at 30 fps
  EXPECT_EQ(probe.json["streams"][1].value("codec_name", ""), "aac");
  EXPECT_NEAR(std::stod(probe.json["format"].value("duration", "0")), 5.0, 0.034);
  // Every frame decodes, front to back, as a player would play it.
  const std::string decode_log = mp4 + ".decode.err";
  EXPECT_EQ(std::system(("ffmpeg -v error -i '" + mp4 + "' -f null - 2>'" + decode_log + "'").c_str()), 0);
  std::string decode_errors;
  util::file::ReadFileToString(decode_log, &decode_errors);
  EXPECT_EQ(decode_errors, "");
  const Probe m4a = RunFfprobe(base + ".m4a");
  EXPECT_EQ(m4a.warnings, "");
  ASSERT_EQ(m4a.json["streams"].size(), 1u);
  EXPECT_EQ(m4a.json["streams"][0].value("codec_name", ""), "aac");

  // Progress came with the parts, and file sizes while the file grew.
  EXPECT_FALSE(log_.Named("quick_record:transcode_progress", "rec-1").empty());
  EXPECT_FALSE(log_.Named("quick_record:upload_record_file_size_changed", "rec-1").empty());
  EXPECT_EQ(log_.Named("quick_record:upload_file_start_upload_part", "rec-1").size(), parts.size());
  EXPECT_TRUE(log_.Named("quick_record:upload_file_error").empty());
}

TEST_F(TranscoderTest, ThreeRecordingsAreTranscodedAndUploadedAtOnce) {
  ASSERT_GT(StartTranscoder(), 0);
  std::vector<nlohmann::json> starts;
  for (int i = 0; i < 3; ++i) {
    const std::string id = "multi-" + std::to_string(i);
    const std::string base = Record(id, {1500 + 500 * i}, i == 0);
    starts.push_back(StartRecord(alice_, id));
    Send("quick_record:start_transcode", StartMessage(id, base, true));
    Send("quick_record:upload_file_auth", AuthMessage(id, starts.back()));
  }
  for (int i = 0; i < 3; ++i) {
    const std::string id = "multi-" + std::to_string(i);
    ASSERT_GE(WaitForEvent("quick_record:upload_file_complete", id), 0) << id;
    EXPECT_EQ(ObjectMd5(starts[static_cast<size_t>(i)]), LocalMd5(dir_.path() + "/" + id + ".mp4")) << id;
    EXPECT_NEAR(log_.Named("quick_record:transcode_finish", id).at(0).json["muxer_event_duration"].AsInteger(),
                1500 + 500 * i, 34);
  }
}

}  // namespace
}  // namespace qr_transcoder::testing
