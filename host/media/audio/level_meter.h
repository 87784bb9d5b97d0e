#pragma once

#include <cstdint>

namespace kvp::av {

// Turns microphone samples into the 0-100 level the engine reports: the RMS of each window of
// samples in dBFS, mapped linearly from -60 dB (0) to 0 dB (100).
class LevelMeter {
 public:
  explicit LevelMeter(int32_t window_samples) : window_samples_(window_samples) {}

  // Adds `count` samples of each of `channels` planes. Returns true, with the level in *level,
  // when a window was completed (the last one completed, if several were).
  bool Add(const float* const* planes, int channels, int count, int32_t* level);

  static int32_t LevelOfRms(double rms);

 private:
  const int32_t window_samples_;
  int32_t filled_ = 0;
  double sum_squares_ = 0;
};

}  // namespace kvp::av
