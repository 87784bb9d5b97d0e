#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "host/media/capture/source_planner.h"

struct AVAudioFifo;
struct SwrContext;

namespace kvp::av {

class AvInput;

// An audio source (an audio server device, or a synthetic tone or silence) read on a thread of
// its own into a buffer of 48 kHz stereo float samples, which the audio thread pulls from at
// its own pace. What has not arrived when pulled is silence; a source that runs ahead by more
// than half a second is cut back, so its delay stays bounded.
class AudioInput {
 public:
  static std::shared_ptr<AudioInput> Open(const InputPlan& plan, std::string* error);
  ~AudioInput();
  AudioInput(const AudioInput&) = delete;
  AudioInput& operator=(const AudioInput&) = delete;

  // Fills `count` samples of both channels.
  void Pull(float* const planes[2], int count);
  // Forgets what was captured so far (what came in while the recording was paused).
  void Clear();

 private:
  AudioInput() = default;
  void Run();

  std::unique_ptr<AvInput> input_;
  SwrContext* resampler_ = nullptr;
  std::mutex mutex_;
  AVAudioFifo* fifo_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvp::av
