#include "transcoder/recording_remuxer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "transcoder/testing/synthetic_recording.h"
#include "transcoder/transcode_result.h"

namespace qr_transcoder {
namespace {

using testing::SyntheticRecording;

struct Track {
  std::vector<int64_t> pts_us;
  std::vector<int64_t> end_us;
  int64_t keys = 0;
};

// Reads back every packet of a finished file, per stream, in microseconds.
struct ReadBack {
  bool ok = false;
  Track video;
  Track audio;
  int streams = 0;
};

ReadBack Read(const std::string& path) {
  ReadBack out;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return out;
  if (avformat_find_stream_info(input, nullptr) < 0) {
    avformat_close_input(&input);
    return out;
  }
  out.streams = static_cast<int>(input->nb_streams);
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(input, packet) >= 0) {
    const AVStream* stream = input->streams[packet->stream_index];
    Track& track = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? out.video : out.audio;
    const int64_t pts = av_rescale_q(packet->pts, stream->time_base, {1, 1000000});
    track.pts_us.push_back(pts);
    track.end_us.push_back(pts + av_rescale_q(packet->duration, stream->time_base, {1, 1000000}));
    track.keys += (packet->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&input);
  out.ok = true;
  return out;
}

class RecordingRemuxerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = dir_.Child("rec");
    ASSERT_TRUE(recording_.Open(base_, {}));
  }

  RemuxPaths Paths(const std::string& output = "out.mp4", const std::string& m4a = "") const {
    return {base_ + ".kovtv", base_ + ".kovtvidx", base_ + ".kovta", base_ + ".kovtaidx", dir_.Child(output),
            m4a.empty() ? "" : dir_.Child(m4a)};
  }

  std::string Contents(const std::string& name) const {
    std::string text;
    util::file::ReadFileToString(dir_.Child(name), &text);
    return text;
  }

  util::file::ScopedTempDir dir_;
  std::string base_;
  SyntheticRecording recording_;
};

TEST_F(RecordingRemuxerTest, TimestampsRunOnAcrossPausesAndTheTracksEndTogether) {
  ASSERT_TRUE(recording_.RecordSegment(1000));
  ASSERT_TRUE(recording_.RecordSegment(700));  // after a pause
  ASSERT_TRUE(recording_.RecordSegment(1300));
  ASSERT_TRUE(recording_.Finish());
  RecordingRemuxer remuxer(Paths("out.mp4", "out.m4a"));
  ASSERT_EQ(remuxer.Pass(true), kTranscodeOk);
  ASSERT_TRUE(remuxer.finished());

  const ReadBack mp4 = Read(dir_.Child("out.mp4"));
  ASSERT_TRUE(mp4.ok);
  EXPECT_EQ(mp4.streams, 2);
  ASSERT_EQ(mp4.video.pts_us.size(), 90u);  // 3 s at 30 fps
  for (size_t i = 0; i < mp4.video.pts_us.size(); ++i) {
    // Frame i of the continuous timeline, to the 90 kHz tick.
    EXPECT_NEAR(mp4.video.pts_us[i], static_cast<int64_t>(i) * 1000000 / 30, 12) << i;
  }
  EXPECT_GE(mp4.video.keys, 3);  // every segment starts with a key frame
  ASSERT_FALSE(mp4.audio.pts_us.empty());
  for (size_t i = 1; i < mp4.audio.pts_us.size(); ++i) {
    // 1024 samples at 48 kHz apart, to the rounding of the read-back to microseconds.
    EXPECT_NEAR(mp4.audio.pts_us[i] - mp4.audio.pts_us[i - 1], 21333, 1) << "audio gap before packet " << i;
  }
  // Audio ends within one audio frame (plus the encoder's priming) of the video.
  EXPECT_NEAR(mp4.audio.end_us.back(), mp4.video.end_us.back(), 2 * 21334);
  EXPECT_NEAR(remuxer.duration_ms(), 3000, 34);
  EXPECT_EQ(remuxer.committed_bytes(), static_cast<uint64_t>(util::file::GetFileLength(dir_.Child("out.mp4"))));

  const ReadBack m4a = Read(dir_.Child("out.m4a"));
  ASSERT_TRUE(m4a.ok);
  EXPECT_EQ(m4a.streams, 1);
  EXPECT_EQ(m4a.audio.pts_us, mp4.audio.pts_us);
}

TEST_F(RecordingRemuxerTest, BytesWrittenWhileRecordingNeverChangeAndARemuxRepeatsThem) {
  RecordingRemuxer live(Paths("live.mp4"));
  std::vector<std::string> prefixes;
  for (int segment = 0; segment < 4; ++segment) {
    ASSERT_TRUE(recording_.RecordSegment(2100));
    ASSERT_EQ(live.Pass(false), kTranscodeOk);
    prefixes.push_back(Contents("live.mp4").substr(0, live.committed_bytes()));
  }
  ASSERT_TRUE(recording_.Finish());
  ASSERT_EQ(live.Pass(true), kTranscodeOk);
  const std::string final_file = Contents("live.mp4");
  EXPECT_GT(prefixes.back().size(), prefixes.front().size());
  for (const auto& prefix : prefixes) EXPECT_EQ(final_file.compare(0, prefix.size(), prefix), 0);

  // A recovery remuxes from the start; the parts uploaded before must come out the same.
  RecordingRemuxer again(Paths("again.mp4"));
  ASSERT_EQ(again.Pass(true), kTranscodeOk);
  EXPECT_TRUE(Contents("again.mp4") == final_file);
}

TEST_F(RecordingRemuxerTest, WaitsForBothTracksWhileRecording) {
  RecordingRemuxer remuxer(Paths());
  EXPECT_EQ(remuxer.Pass(false), kTranscodeOk);
  EXPECT_EQ(remuxer.committed_bytes(), 0u);
  ASSERT_TRUE(recording_.RecordSegment(500));
  EXPECT_GT(remuxer.PendingFrames(), 0u);
  EXPECT_EQ(remuxer.Pass(false), kTranscodeOk);
  EXPECT_GT(remuxer.committed_bytes(), 0u);  // the header at least
  EXPECT_FALSE(remuxer.finished());
}

TEST_F(RecordingRemuxerTest, MissingAndBrokenInputsGiveTheirCodes) {
  RemuxPaths missing = Paths();
  missing.video = dir_.Child("none.kovtv");
  missing.video_index = missing.video + "idx";
  missing.audio = dir_.Child("none.kovta");
  missing.audio_index = missing.audio + "idx";
  RecordingRemuxer nothing(missing);
  EXPECT_EQ(nothing.Pass(false), kTranscodeOk);  // the recorder may not have begun yet
  EXPECT_EQ(nothing.Pass(true), kTranscodeInputMissing);
  EXPECT_EQ(nothing.Pass(true), kTranscodeInputMissing);

  // Streams whose files exist but hold no frame at the end.
  RecordingRemuxer empty(Paths());
  EXPECT_EQ(empty.Pass(true), kTranscodeInputBroken);

  // Audio data under the video's name is not H.264.
  ASSERT_TRUE(recording_.RecordSegment(300));
  RemuxPaths swapped = Paths("swapped.mp4");
  std::swap(swapped.video, swapped.audio);
  std::swap(swapped.video_index, swapped.audio_index);
  EXPECT_EQ(RecordingRemuxer(swapped).Pass(true), kTranscodeInputBroken);
}

TEST_F(RecordingRemuxerTest, AnOutputThatCannotBeWrittenIsAnOutputFailure) {
  ASSERT_TRUE(recording_.RecordSegment(300));
  ASSERT_TRUE(recording_.Finish());
  RecordingRemuxer remuxer(Paths("no-such-dir/out.mp4"));
  EXPECT_EQ(remuxer.Pass(true), kTranscodeOutputFailed);
  EXPECT_EQ(remuxer.failure(), kTranscodeOutputFailed);
}

}  // namespace
}  // namespace qr_transcoder
