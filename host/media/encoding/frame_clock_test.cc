#include "host/media/encoding/frame_clock.h"

#include <gtest/gtest.h>

namespace kvp::av {
namespace {

// Runs a segment from `start_ms` to `stop_ms` at the clock's pace and returns the frames it got.
int64_t RunSegment(FrameClock& clock, int64_t stop_ms) {
  int64_t frames = 0;
  while (clock.BelongsBefore(stop_ms)) {
    clock.Advance();
    ++frames;
  }
  return frames;
}

TEST(FrameClockTest, FramesAreStampedFromTheirIndexWithoutDrift) {
  FrameClock clock(1000, 0, 30);
  for (int i = 0; i < 30 * 3600; ++i) clock.Advance();
  // An hour at 30 fps ends exactly on the hour, on the timeline and on the steady clock.
  EXPECT_EQ(3600LL * 1000000, clock.NextPtsUs());
  EXPECT_EQ(1000 + 3600LL * 1000 + 17, clock.NextDueMs());
}

TEST(FrameClockTest, DurationsOfFramesAddUpExactly) {
  FrameClock clock(0, 0, 30);
  int64_t sum = 0;
  for (int i = 0; i < 30; ++i) {
    sum += clock.FrameDurationUs();
    clock.Advance();
  }
  EXPECT_EQ(1000000, sum);
}

TEST(FrameClockTest, SegmentGetsItsDurationRoundedToWholeFrames) {
  FrameClock exact(0, 0, 30);
  EXPECT_EQ(90, RunSegment(exact, 3000));
  FrameClock short_by_a_third(0, 0, 30);
  EXPECT_EQ(90, RunSegment(short_by_a_third, 2990));  // 89.7 frames
  FrameClock long_by_a_third(0, 0, 30);
  EXPECT_EQ(90, RunSegment(long_by_a_third, 3010));  // 90.3 frames
  FrameClock more_than_half(0, 0, 30);
  EXPECT_EQ(91, RunSegment(more_than_half, 3020));  // 90.6 frames
  FrameClock nothing(0, 0, 30);
  EXPECT_EQ(0, RunSegment(nothing, 10));
}

TEST(FrameClockTest, FramesMadeOnTimeBeforeAStopAreTheFramesThatBelongToIt) {
  // The video thread makes each frame at its due time; a stop arriving later cannot take it back.
  for (int32_t fps : {15, 30, 60}) {
    for (int64_t stop_ms = 0; stop_ms <= 400; ++stop_ms) {
      FrameClock made(0, 0, fps);
      while (made.NextDueMs() <= stop_ms) made.Advance();
      FrameClock rounded(0, 0, fps);
      EXPECT_EQ(RunSegment(rounded, stop_ms), made.frames()) << fps << " fps, stop at " << stop_ms << " ms";
    }
  }
}

TEST(FrameClockTest, SecondSegmentContinuesTheTimelineWithoutAGap) {
  FrameClock first(5000, 0, 30);
  RunSegment(first, 6000);
  // A resume 10 s later starts where the first segment's frames ended.
  FrameClock second(16000, first.NextPtsUs(), 30);
  EXPECT_EQ(1000000, second.NextPtsUs());
  EXPECT_EQ(16017, second.NextDueMs());
  RunSegment(second, 17000);
  EXPECT_EQ(2000000, second.NextPtsUs());
}

TEST(FrameClockTest, RateChangeTakesEffectAtTheNextFrame) {
  FrameClock clock(0, 0, 30);
  for (int i = 0; i < 15; ++i) clock.Advance();
  EXPECT_EQ(500000, clock.NextPtsUs());
  clock.SetFps(15);
  EXPECT_EQ(500000, clock.NextPtsUs());
  EXPECT_EQ(534, clock.NextDueMs());
  EXPECT_EQ(66666, clock.FrameDurationUs());
  for (int i = 0; i < 15; ++i) clock.Advance();
  EXPECT_EQ(1500000, clock.NextPtsUs());
  EXPECT_EQ(1534, clock.NextDueMs());
  EXPECT_EQ(30, clock.frames());
}

TEST(FrameClockTest, InvalidRateIsClampedToOne) {
  FrameClock clock(0, 0, 0);
  EXPECT_EQ(1, clock.fps());
  EXPECT_EQ(1000000, clock.FrameDurationUs());
}

TEST(FrameClockTest, SamplesAndMicrosecondsRoundToNearest) {
  EXPECT_EQ(48000, UsToSamples(1000000, 48000));
  EXPECT_EQ(1600, UsToSamples(33333, 48000));
  EXPECT_EQ(21333, SamplesToUs(1024, 48000));
  EXPECT_EQ(SamplesToUs(48000 * 3600LL, 48000), 3600LL * 1000000);
}

}  // namespace
}  // namespace kvp::av
