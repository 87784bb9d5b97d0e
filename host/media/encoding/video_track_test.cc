#include "host/media/encoding/video_track.h"

#include <gtest/gtest.h>

#include "host/media/media_errors.h"
#include "host/media/stream/raw_stream_reader.h"
#include "host/media/testing/h264_decoder.h"
#include "host/util/scoped_temp_dir.h"

namespace kvp::av {
namespace {

constexpr int kSize = 128;  // 8 x 8 macroblocks: a patch takes up to 4 raw ones

// A small track at 5 fps, so a key frame is due every 10 frames.
class VideoTrackTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTrack({}); }

  void OpenTrack(const std::vector<EncoderConfigItem>& encoder_items) {
    RecorderConfig config;
    config.width = kSize;
    config.height = kSize;
    config.fps = 5;
    config.encoder_items = encoder_items;
    int32_t code = kOk;
    track_ = VideoTrack::Open(dir_.Child("video"), config, &code);
    ASSERT_EQ(code, kOk);
    ASSERT_TRUE(track_);
  }

  bool Encode(bool segment_start, bool unchanged) {
    bool key = false;
    EXPECT_EQ(track_->Encode(pts_us_, 200000, segment_start, unchanged, &key), kOk);
    pts_us_ += 200000;
    return key;
  }

  // Fills a square of the canvas's luma with noise, which libx264 cannot reproduce exactly.
  void Noise(int x, int y, int size, uint32_t seed) {
    const I420View canvas = track_->Canvas();
    for (int row = y; row < y + size; ++row) {
      for (int col = x; col < x + size; ++col) {
        seed = seed * 1664525u + 1013904223u;
        canvas.y[row * canvas.y_stride + col] = static_cast<uint8_t>(seed >> 24);
      }
    }
  }

  // The canvas's planes one after the other, as the decoder gives them.
  std::vector<uint8_t> Pixels() {
    const I420View canvas = track_->Canvas();
    std::vector<uint8_t> pixels;
    const std::pair<uint8_t*, int> planes[] = {{canvas.y, canvas.y_stride}, {canvas.u, canvas.u_stride},
                                               {canvas.v, canvas.v_stride}};
    for (const auto& [plane, stride] : planes) {
      const int size = plane == canvas.y ? kSize : kSize / 2;
      for (int row = 0; row < size; ++row) pixels.insert(pixels.end(), plane + row * stride, plane + row * stride + size);
    }
    return pixels;
  }

  std::vector<std::vector<uint8_t>> DecodeWritten() {
    EXPECT_EQ(kOk, track_->Finish());
    RawStreamReader reader;
    EXPECT_TRUE(reader.Open(dir_.Child("video")));
    std::vector<std::vector<uint8_t>> units(reader.records().size());
    for (size_t i = 0; i < units.size(); ++i) EXPECT_TRUE(reader.ReadFrame(i, &units[i]));
    return testing::DecodeH264(units, kSize, kSize);
  }

  util::file::ScopedTempDir dir_;
  std::unique_ptr<VideoTrack> track_;
  int64_t pts_us_ = 0;
};

TEST_F(VideoTrackTest, AKeyFrameDueOnAStillScreenCostsNothingSoAMissedSlotCanBeFilled) {
  FillI420(track_->Canvas(), {0, 0, kSize, kSize}, 120, 128, 128);
  ASSERT_TRUE(Encode(true, false));
  for (int i = 1; i < 10; ++i) {
    ASSERT_TRUE(track_->CanRepeat()) << "frame " << i;
    EXPECT_FALSE(Encode(false, true));
  }
  // The key frame falls due: on the same picture it is libx264's last key frame written again.
  EXPECT_TRUE(track_->CanRepeat());
  // The last sample of the last plane counts as much as the first.
  FillI420(track_->Canvas(), {kSize - 2, kSize - 2, 2, 2}, 120, 128, 129);
  EXPECT_FALSE(track_->CanRepeat());
  FillI420(track_->Canvas(), {kSize - 2, kSize - 2, 2, 2}, 120, 128, 128);
  EXPECT_TRUE(track_->CanRepeat());
  FillI420(track_->Canvas(), {0, 0, 16, 16}, 30, 128, 128);
  // The picture changed since that key frame: only libx264 can make the next one.
  EXPECT_FALSE(track_->CanRepeat());
  EXPECT_TRUE(Encode(false, false));
  EXPECT_EQ(track_->frames(), 11u);
}

// Whether two pictures (planes one after the other) are equal in luma macroblock (x, y) and,
// with `elsewhere`, everywhere else.
bool SameLuma(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int mb_x, int mb_y, bool elsewhere) {
  for (int row = 0; row < kSize; ++row) {
    for (int col = 0; col < kSize; ++col) {
      const bool inside = col / 16 == mb_x && row / 16 == mb_y;
      if (inside != elsewhere && a[row * kSize + col] != b[row * kSize + col]) return false;
    }
  }
  return true;
}

// Key frames far apart, so that every frame below but the first is libx264's P frame or a patch.
class VideoTrackPatchTest : public VideoTrackTest {
 protected:
  void SetUp() override { OpenTrack({{"keyint", 100}}); }
};

TEST_F(VideoTrackPatchTest, ASmallChangeIsWrittenExactlyOverWhatLibx264MadeLast) {
  Noise(0, 0, kSize, 1);
  Encode(true, false);
  // A change inside one macroblock: a patch, its samples exact.
  Noise(20, 36, 8, 2);
  const std::vector<uint8_t> changed = Pixels();
  Encode(false, false);
  Encode(false, true);
  // A quarter of the picture changes: libx264's work, and so are the next eight pictures (the
  // planner rests after a big change) although they change little.
  Noise(0, 0, kSize / 2, 3);
  ASSERT_FALSE(Encode(false, false)) << "not a key frame";
  for (int i = 0; i < 7; ++i) {
    Noise(0, 112, 4, 10 + i);
    Encode(false, false);
  }
  // The next patch builds on libx264's last picture.
  Noise(100, 100, 6, 4);
  const std::vector<uint8_t> changed_again = Pixels();
  Encode(false, false);

  const auto decoded = DecodeWritten();
  ASSERT_EQ(12u, decoded.size());
  EXPECT_TRUE(SameLuma(decoded[1], changed, 1, 2, false)) << "the patch's macroblock is exact";
  EXPECT_FALSE(SameLuma(decoded[0], changed, 1, 2, true)) << "libx264 does not make noise exactly, a patch does";
  EXPECT_TRUE(SameLuma(decoded[1], decoded[0], 1, 2, true)) << "the rest is libx264's picture";
  EXPECT_EQ(decoded[1], decoded[2]) << "a repeat of the patch";
  EXPECT_FALSE(SameLuma(decoded[10], Pixels(), 0, 7, false)) << "libx264's, not a patch";
  EXPECT_TRUE(SameLuma(decoded[11], changed_again, 6, 6, false));
  EXPECT_TRUE(SameLuma(decoded[11], decoded[10], 6, 6, true));
}

}  // namespace
}  // namespace kvp::av
