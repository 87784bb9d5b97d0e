#include "transcoder/testing/synthetic_recording.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "host/media/audio/audio_track.h"
#include "host/media/capture/pixel_ops.h"
#include "host/media/encoding/video_track.h"
#include "host/media/media_errors.h"
#include "host/util/file.h"

namespace qr_transcoder::testing {

using kvp::av::AudioTrack;
using kvp::av::VideoTrack;

SyntheticRecording::SyntheticRecording() = default;
SyntheticRecording::~SyntheticRecording() = default;

bool SyntheticRecording::Open(const std::string& base, const Options& options) {
  options_ = options;
  base_ = base;
  kvp::av::RecorderConfig config;
  config.width = options.width;
  config.height = options.height;
  config.fps = options.fps;
  config.full_hd = false;
  // Noise needs a high rate to stay noise; the default rate control would smear it.
  if (options.noise) config.encoder_items.push_back({"crf", base::variant::Variant(static_cast<int64_t>(8))});
  int32_t code = kvp::av::kOk;
  video_ = VideoTrack::Open(base + ".kovtv", config, &code);
  if (!video_ || code != kvp::av::kOk) return false;
  if (options.audio) {
    audio_ = AudioTrack::Open(base + ".kovta", &code);
    if (!audio_ || code != kvp::av::kOk) return false;
  }
  return util::file::WriteFileAtomically(base + ".kovtc", "synthetic cover " + base);
}

int64_t SyntheticRecording::end_us() const { return video_ ? video_->end_us() : 0; }

void SyntheticRecording::Draw(int64_t frame_number) {
  const kvp::av::I420View canvas = video_->Canvas();
  for (int y = 0; y < canvas.height; ++y) {
    uint8_t* row = canvas.y + y * canvas.y_stride;
    for (int x = 0; x < canvas.width; ++x) {
      if (options_.pointer) {
        row[x] = static_cast<uint8_t>(x + y);
      } else if (options_.noise) {
        noise_state_ ^= noise_state_ << 13;
        noise_state_ ^= noise_state_ >> 7;
        noise_state_ ^= noise_state_ << 17;
        row[x] = static_cast<uint8_t>(noise_state_);
      } else {
        row[x] = static_cast<uint8_t>(x + y + frame_number * 4);
      }
    }
  }
  const int64_t tint = options_.pointer ? 0 : frame_number;
  for (int y = 0; y < canvas.height / 2; ++y) {
    for (int x = 0; x < canvas.width / 2; ++x) {
      canvas.u[y * canvas.u_stride + x] = static_cast<uint8_t>(128 + tint);
      canvas.v[y * canvas.v_stride + x] = static_cast<uint8_t>(128 - tint);
    }
  }
  if (options_.pointer) {
    const int x = static_cast<int>((frame_number * 6) % (canvas.width - 12)) & ~1;
    kvp::av::FillI420(canvas, {x, canvas.height / 2, 12, 18}, 235, 100, 160);
  }
}

bool SyntheticRecording::RecordSegment(int64_t duration_ms, bool realtime) {
  const int64_t start_us = video_->end_us();
  const int64_t count = (duration_ms * options_.fps + 500) / 1000;
  const auto wall_start = std::chrono::steady_clock::now();
  std::vector<float> left;
  std::vector<float> right;
  for (int64_t k = 0; k < count; ++k) {
    const int64_t pts = start_us + k * 1000000 / options_.fps;
    const int64_t next = start_us + (k + 1) * 1000000 / options_.fps;
    if (realtime) std::this_thread::sleep_until(wall_start + std::chrono::microseconds(pts - start_us));
    Draw(frames_++);
    bool key = false;
    if (video_->Encode(pts, next - pts, k == 0, /*unchanged=*/false, &key) != kvp::av::kOk) return false;
    if (!audio_) continue;
    // The audio takes exactly as many samples as the video segment lasts, frame by frame.
    const int64_t have = samples_;
    const int n = static_cast<int>(((next - start_us) * AudioTrack::kSampleRate / 1000000) -
                                   ((pts - start_us) * AudioTrack::kSampleRate / 1000000));
    left.resize(n);
    right.resize(n);
    for (int i = 0; i < n; ++i) {
      left[i] = right[i] = 0.2f * static_cast<float>(std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(have + i) / 48000.0));
    }
    samples_ += n;
    const float* planes[2] = {left.data(), right.data()};
    if (audio_->Push(planes, n) != kvp::av::kOk) return false;
  }
  return true;
}

bool SyntheticRecording::Finish() {
  bool ok = video_->Finish() == kvp::av::kOk;
  if (audio_) ok = audio_->Finish() == kvp::av::kOk && ok;
  return ok;
}

}  // namespace qr_transcoder::testing
