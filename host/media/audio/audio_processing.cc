#include "host/media/audio/audio_processing.h"

#include <cmath>

#include "host/media/media_errors.h"
#include "host/media/media_types.h"

namespace kvp::av {

namespace {
constexpr double kHighpassHz = 80.0;
constexpr double kPi = 3.14159265358979323846;
}  // namespace

AudioProcessing::AudioProcessing(int32_t sample_rate)
    : highpass_coefficient_(static_cast<float>(1.0 / (1.0 + 2.0 * kPi * kHighpassHz / sample_rate))) {}

int32_t AudioProcessing::Set(int32_t which, int32_t value) {
  switch (which) {
    case kAudioSendAttenuation:
      if (value < 0 || value > 96) return kErrInvalidArgument;
      attenuation_db_ = value;
      return kOk;
    case kAudioEnhancedPreprocess:
    case kAudioSuperWideband:
      if (value != 0 && value != 1) return kErrInvalidArgument;
      (which == kAudioEnhancedPreprocess ? enhanced_preprocess_ : super_wideband_) = value;
      return kOk;
    default:
      return kErrNotSupported;
  }
}

int32_t AudioProcessing::Get(int32_t which, int32_t* value) const {
  switch (which) {
    case kAudioSendAttenuation:
      *value = attenuation_db_;
      return kOk;
    case kAudioEnhancedPreprocess:
      *value = enhanced_preprocess_;
      return kOk;
    case kAudioSuperWideband:
      *value = super_wideband_;
      return kOk;
    default:
      return kErrNotSupported;
  }
}

void AudioProcessing::Process(float* const* planes, int channels, int count) {
  if (static_cast<int>(previous_in_.size()) != channels) {
    previous_in_.assign(channels, 0.0f);
    previous_out_.assign(channels, 0.0f);
  }
  const bool highpass = enhanced_preprocess_ != 0;
  const float gain = static_cast<float>(std::pow(10.0, -attenuation_db_ / 20.0));
  for (int c = 0; c < channels; ++c) {
    float* samples = planes[c];
    float in_prev = previous_in_[c];
    float out_prev = previous_out_[c];
    for (int i = 0; i < count; ++i) {
      float x = samples[i];
      if (highpass) {
        // y[n] = a * (y[n-1] + x[n] - x[n-1])
        const float y = highpass_coefficient_ * (out_prev + x - in_prev);
        in_prev = x;
        out_prev = y;
        x = y;
      }
      samples[i] = x * gain;
    }
    previous_in_[c] = in_prev;
    previous_out_[c] = out_prev;
  }
}

}  // namespace kvp::av
