#include "host/media/encoding/video_track.h"

#include <gtest/gtest.h>

#include "host/media/media_errors.h"
#include "host/util/scoped_temp_dir.h"

namespace kvp::av {
namespace {

// A small track at 5 fps, so a key frame is due every 10 frames.
class VideoTrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecorderConfig config;
    config.width = 64;
    config.height = 64;
    config.fps = 5;
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

  util::file::ScopedTempDir dir_;
  std::unique_ptr<VideoTrack> track_;
  int64_t pts_us_ = 0;
};

TEST_F(VideoTrackTest, AKeyFrameDueOnAStillScreenCostsNothingSoAMissedSlotCanBeFilled) {
  FillI420(track_->Canvas(), {0, 0, 64, 64}, 120, 128, 128);
  ASSERT_TRUE(Encode(true, false));
  for (int i = 1; i < 10; ++i) {
    ASSERT_TRUE(track_->CanRepeat()) << "frame " << i;
    EXPECT_FALSE(Encode(false, true));
  }
  // The key frame falls due: on the same picture it is libx264's last key frame written again.
  EXPECT_TRUE(track_->CanRepeat());
  FillI420(track_->Canvas(), {0, 0, 16, 16}, 30, 128, 128);
  // The picture changed since that key frame: only libx264 can make the next one.
  EXPECT_FALSE(track_->CanRepeat());
  EXPECT_TRUE(Encode(false, false));
  EXPECT_EQ(track_->frames(), 11u);
}

}  // namespace
}  // namespace kvp::av
