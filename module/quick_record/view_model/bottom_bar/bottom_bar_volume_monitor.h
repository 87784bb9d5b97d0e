#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "module/quick_record/view_model/bottom_bar/muted_speech_detector.h"

namespace quick_record {

// Asks the recorder for the microphone level every 100 ms while the bar is attached, tells the
// view when it changes, and toasts once when the user keeps talking into a closed microphone.
// Main thread: the timer fires on the looper that made it.
class BottomBarVolumeMonitor {
 public:
  static constexpr int64_t kVolumeMs = 100;
  static constexpr int32_t kMutedSpeechToastMs = 2000;
  static constexpr int32_t kMutedSpeechToastPosition = 2;

  struct Hooks {
    std::function<void(int32_t volume)> publish;  // a new level
    std::function<bool()> mic_open;
    std::function<bool()> recording_started;
  };

  explicit BottomBarVolumeMonitor(Hooks hooks);
  ~BottomBarVolumeMonitor();

  // Samples `recorder`; nothing is sampled without one.
  void Start(std::shared_ptr<framework::ModelImpl> recorder);
  void Stop();

  const MutedSpeechDetector& muted_speech() const { return muted_speech_; }

 private:
  void SampleVolume();
  void SpeakingIntoMutedMic(int32_t volume);

  std::shared_ptr<framework::ModelImpl> recorder_;
  const Hooks hooks_;
  // The level last published; the recorder is asked every 100 ms but the view hears of changes.
  int32_t volume_ = -1;
  MutedSpeechDetector muted_speech_;
  // Owned here only, so its task may reach this object through a raw pointer.
  std::shared_ptr<base::threading::Timer> volume_timer_;
};

}  // namespace quick_record
