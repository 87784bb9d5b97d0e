#pragma once

#include <cstdint>

namespace quick_record {

// Notices a user talking into a closed microphone: only an unbroken run of loud samples counts,
// so a cough or a door does not raise the warning. It warns once in its life.
class MutedSpeechDetector {
 public:
  static constexpr int32_t kLoudVolume = 10;  // a sample counts above this
  static constexpr int32_t kSamplesBeforeWarning = 10;

  // True when this sample should raise the warning. A sample counts only while `mic_open` is false
  // and `recording` is true; any other sample starts the run again.
  bool Sample(int32_t volume, bool mic_open, bool recording) {
    const bool counts = armed_ && !mic_open && recording && volume > kLoudVolume;
    if (!counts) {
      loud_samples_ = 0;
      return false;
    }
    if (loud_samples_ < kSamplesBeforeWarning) {
      ++loud_samples_;
      return false;
    }
    armed_ = false;
    return true;
  }
  int32_t loud_samples() const { return loud_samples_; }
  bool armed() const { return armed_; }

 private:
  bool armed_ = true;
  int32_t loud_samples_ = 0;
};

}  // namespace quick_record
