#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "host/media/capture/source_planner.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace kvp::av {

// One FFmpeg input (a libavdevice device or a lavfi source graph) with the decoder of its first
// stream of the wanted kind. A read blocks as the device does; Interrupt (from any thread) makes
// a blocked read return.
class AvInput {
 public:
  enum class Kind { kVideo, kAudio };

  // Null (and *error set) when the input or its decoder cannot be opened. With `real_time`, a
  // generated (synthetic) input is held to its own clock, as a device would be; otherwise it
  // hands out frames as fast as they are read.
  static std::unique_ptr<AvInput> Open(const InputPlan& plan, Kind kind, bool real_time, std::string* error);
  ~AvInput();
  AvInput(const AvInput&) = delete;
  AvInput& operator=(const AvInput&) = delete;

  // The next decoded frame into `frame` (unreferenced first). Returns 0, AVERROR_EOF at the end,
  // AVERROR_EXIT after Interrupt, or another negative AVERROR.
  int ReadFrame(AVFrame* frame);
  void Interrupt() { interrupted_ = true; }

  const AVCodecContext* decoder() const { return decoder_; }
  // Seconds per unit of the frames' pts.
  double time_base() const { return time_base_; }

 private:
  AvInput() = default;
  static int InterruptCallback(void* opaque);
  void Pace(const AVFrame* frame);

  AVFormatContext* format_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  AVPacket* packet_ = nullptr;
  int stream_index_ = -1;
  double time_base_ = 0;
  bool draining_ = false;
  bool paced_ = false;
  int64_t pace_start_ms_ = 0;
  std::atomic<bool> interrupted_{false};
};

}  // namespace kvp::av
