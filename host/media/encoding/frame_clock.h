#pragma once

#include <cstdint>

namespace kvp::av {

// The video clock of one running segment: frame k is due at start + k / fps and is stamped
// start_pts + k / fps on the recording timeline, computed from k so that no rounding builds up.
// A change of rate takes effect from the next frame. The clock advances for every frame slot,
// also for one that is skipped (an unmapped window), so the timeline keeps pace with real time.
class FrameClock {
 public:
  FrameClock(int64_t start_ms, int64_t start_pts_us, int32_t fps);

  // A frame is taken in the middle of its slot. The video thread makes a frame once it is due,
  // before it can know of a stop, so only then does a segment stopped at any moment hold exactly
  // the frames BelongsBefore() gives it. Rounded up: not due before the middle is reached.
  int64_t NextDueMs() const { return (anchor_due_us_ + Offset(1000000) + FrameDurationUs() / 2 + 999) / 1000; }
  int64_t NextPtsUs() const { return anchor_pts_us_ + Offset(1000000); }
  int64_t FrameDurationUs() const;
  int32_t fps() const { return fps_; }
  int64_t frames() const { return frames_; }

  void Advance();
  void SetFps(int32_t fps);
  // Whether the next frame belongs to a segment that stops at `stop_ms`: its slot starts at least
  // half a frame before the stop, so a segment of duration D gets round(D * fps) frames.
  bool BelongsBefore(int64_t stop_ms) const;

 private:
  // k / fps scaled to `unit` per second.
  int64_t Offset(int64_t unit) const { return k_ * unit / fps_; }

  int64_t anchor_due_us_;
  int64_t anchor_pts_us_;
  int32_t fps_;
  int64_t k_ = 0;
  int64_t frames_ = 0;
};

// Sample counts and timeline microseconds at a sample rate, rounded to the nearest.
int64_t UsToSamples(int64_t us, int32_t sample_rate);
int64_t SamplesToUs(int64_t samples, int32_t sample_rate);

}  // namespace kvp::av
