#pragma once

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <functional>
#include <mutex>
#include <thread>

#include "host/media/audio/audio_capture_impl.h"
#include "host/media/audio/audio_track.h"
#include "host/media/engine_listeners.h"
#include "host/media/audio/level_meter.h"

namespace kvp::av {

// The audio thread of one running segment: every 20 ms it takes as many samples from the
// microphone and the system sound as the segment has lasted (less a small margin, so that
// sources have delivered them), processes and meters the microphone, mutes it when it is closed,
// mixes and encodes. At the stop it fills the segment up to the exact end the video stream got,
// so both streams stay the same length.
class AudioPipeline {
 public:
  AudioPipeline(AudioTrack& track, AudioCaptureImpl& capture, EngineListeners& listeners,
                std::function<void(int32_t)> on_failure, int64_t start_ms);
  ~AudioPipeline();
  AudioPipeline(const AudioPipeline&) = delete;
  AudioPipeline& operator=(const AudioPipeline&) = delete;

  // The segment stops at `stop_ms`: samples from then on are not taken before Stop says where
  // the segment ends exactly.
  void Hold(int64_t stop_ms);
  // Ends the segment once the track holds `end_samples` samples in all.
  void Stop(int64_t end_samples);

 private:
  void Run();
  bool FeedTo(int64_t target_samples);

  AudioTrack& track_;
  AudioCaptureImpl& capture_;
  EngineListeners& listeners_;
  const std::function<void(int32_t)> on_failure_;
  const int64_t start_ms_;
  const int64_t start_samples_;
  LevelMeter meter_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  int64_t end_samples_ = 0;
  int64_t held_samples_ = std::numeric_limits<int64_t>::max();
  std::thread thread_;
};

}  // namespace kvp::av
