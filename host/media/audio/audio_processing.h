#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace kvp::av {

// The audio processing switches of the engine and what they do to the microphone signal:
// 6 attenuates it by the given dB, 8 runs a high-pass filter that removes hum and DC offset,
// 9 (super wideband) is stored and reported only, since recordings are always 48 kHz.
// Set and Get may be called from any thread; Process runs on the audio thread.
class AudioProcessing {
 public:
  explicit AudioProcessing(int32_t sample_rate = 48000);

  // kOk, kErrNotSupported for an unknown switch, kErrInvalidArgument for a value out of range
  // (attenuation 0..96 dB, on/off 0 or 1).
  int32_t Set(int32_t which, int32_t value);
  int32_t Get(int32_t which, int32_t* value) const;

  // Processes `count` samples of each of `channels` planes in place.
  void Process(float* const* planes, int channels, int count);

 private:
  const float highpass_coefficient_;
  std::atomic<int32_t> attenuation_db_{0};
  std::atomic<int32_t> enhanced_preprocess_{0};
  std::atomic<int32_t> super_wideband_{0};
  // One-pole high-pass state per channel: previous input and output.
  std::vector<float> previous_in_;
  std::vector<float> previous_out_;
};

}  // namespace kvp::av
