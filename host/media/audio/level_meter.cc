#include "host/media/audio/level_meter.h"

#include <algorithm>
#include <cmath>

namespace kvp::av {

int32_t LevelMeter::LevelOfRms(double rms) {
  if (rms <= 0) return 0;
  const double db = 20.0 * std::log10(rms);
  return static_cast<int32_t>(std::lround(std::clamp((db + 60.0) * 100.0 / 60.0, 0.0, 100.0)));
}

bool LevelMeter::Add(const float* const* planes, int channels, int count, int32_t* level) {
  bool ready = false;
  for (int i = 0; i < count; ++i) {
    double square = 0;
    for (int c = 0; c < channels; ++c) square += static_cast<double>(planes[c][i]) * planes[c][i];
    sum_squares_ += square / std::max(1, channels);
    if (++filled_ == window_samples_) {
      *level = LevelOfRms(std::sqrt(sum_squares_ / filled_));
      ready = true;
      filled_ = 0;
      sum_squares_ = 0;
    }
  }
  return ready;
}

}  // namespace kvp::av
