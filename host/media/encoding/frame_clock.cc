#include "host/media/encoding/frame_clock.h"

#include <algorithm>

namespace kvp::av {

FrameClock::FrameClock(int64_t start_ms, int64_t start_pts_us, int32_t fps)
    : anchor_due_us_(start_ms * 1000), anchor_pts_us_(start_pts_us), fps_(std::max(1, fps)) {}

int64_t FrameClock::FrameDurationUs() const {
  return (k_ + 1) * 1000000 / fps_ - Offset(1000000);
}

void FrameClock::Advance() {
  ++k_;
  ++frames_;
}

void FrameClock::SetFps(int32_t fps) {
  fps = std::max(1, fps);
  if (fps == fps_) return;
  anchor_due_us_ += Offset(1000000);
  anchor_pts_us_ += Offset(1000000);
  k_ = 0;
  fps_ = fps;
}

bool FrameClock::BelongsBefore(int64_t stop_ms) const {
  const int64_t due_us = anchor_due_us_ + Offset(1000000);
  return 2 * (stop_ms * 1000 - due_us) >= FrameDurationUs();
}

int64_t UsToSamples(int64_t us, int32_t sample_rate) {
  return (us * sample_rate + (us >= 0 ? 500000 : -500000)) / 1000000;
}

int64_t SamplesToUs(int64_t samples, int32_t sample_rate) {
  return (samples * 1000000 + sample_rate / 2) / sample_rate;
}

}  // namespace kvp::av
