#include "host/media/stream/muxer_media_info.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/media/stream/raw_stream_writer.h"
#include "host/util/scoped_temp_dir.h"

namespace kvp::av {
namespace {

void WriteStream(const std::string& path, const RawIndexHeader& header, int frames, uint32_t duration_us) {
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(path, header).code);
  const std::vector<uint8_t> bytes(64, 1);
  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(kOk, writer.Write(bytes.data(), bytes.size(), int64_t{i} * duration_us, duration_us, 0));
  }
}

TEST(MuxerMediaInfoTest, RawVideoStreamGivesDurationSizeAndTheAudioBesideIt) {
  util::file::ScopedTempDir dir;
  WriteStream(dir.Child("rec.kovtv"), RawIndexHeader::Video(1280, 720, 30), 90, 33'333);
  WriteStream(dir.Child("rec.kovta"), RawIndexHeader::Audio(48000, 2, 1024), 141, 21'333);
  muxer_param* info = muxer_media_info(dir.Child("rec.kovtv").c_str());
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(2999, muxer_param_get_int32(info, "duration", 0));
  const muxer_param* video = muxer_param_dict_get(info, "video");
  ASSERT_NE(nullptr, video);
  EXPECT_EQ(1280, muxer_param_get_int32(video, "width", 0));
  EXPECT_EQ(720, muxer_param_get_int32(video, "height", 0));
  EXPECT_EQ(30, muxer_param_get_int32(video, "fps", 0));
  const muxer_param* audio = muxer_param_dict_get(info, "audio");
  ASSERT_NE(nullptr, audio);
  EXPECT_EQ(48000, muxer_param_get_int32(audio, "sample_rate", 0));
  EXPECT_EQ(2, muxer_param_get_int32(audio, "channels", 0));
  muxer_param_free(info);
}

TEST(MuxerMediaInfoTest, RawAudioStreamAlone) {
  util::file::ScopedTempDir dir;
  WriteStream(dir.Child("rec.kovta"), RawIndexHeader::Audio(48000, 2, 1024), 47, 21'333);
  muxer_param* info = muxer_media_info(dir.Child("rec.kovta").c_str());
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(1002, muxer_param_get_int32(info, "duration", 0));
  EXPECT_EQ(nullptr, muxer_param_dict_get(info, "video"));
  EXPECT_NE(nullptr, muxer_param_dict_get(info, "audio"));
  muxer_param_free(info);
}

TEST(MuxerMediaInfoTest, UnreadableFilesGiveNothingAndReadsOfNothingGiveDefaults) {
  util::file::ScopedTempDir dir;
  EXPECT_EQ(nullptr, muxer_media_info(dir.Child("missing.mp4").c_str()));
  EXPECT_EQ(nullptr, muxer_media_info(dir.Child("missing.kovtv").c_str()));
  EXPECT_EQ(nullptr, muxer_media_info(""));
  EXPECT_EQ(nullptr, muxer_media_info(nullptr));
  EXPECT_EQ(-1, muxer_param_get_int32(nullptr, "duration", -1));
  EXPECT_EQ(nullptr, muxer_param_dict_get(nullptr, "video"));
  muxer_param_free(nullptr);
}

TEST(MuxerMediaInfoTest, MissingKeysGiveTheDefault) {
  util::file::ScopedTempDir dir;
  WriteStream(dir.Child("rec.kovtv"), RawIndexHeader::Video(640, 360, 15), 3, 66'666);
  muxer_param* info = muxer_media_info(dir.Child("rec.kovtv").c_str());
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(7, muxer_param_get_int32(info, "bitrate", 7));
  EXPECT_EQ(nullptr, muxer_param_dict_get(info, "audio"));
  muxer_param_free(info);
}

}  // namespace
}  // namespace kvp::av
