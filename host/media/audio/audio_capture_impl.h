#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "host/media/audio/audio_input.h"
#include "host/media/audio/audio_processing.h"
#include "host/media/devices/device_monitor.h"
#include "host/media/media_engine.h"

namespace kvp::av {

// The audio half of the capture configuration: the microphone and system-sound slots, the mute
// switch, the processing switches and the last microphone level. The live inputs are opened for
// a recording and closed when it is finalised.
class AudioCaptureImpl : public IAudioCapture {
 public:
  explicit AudioCaptureImpl(DeviceMonitor& devices) : devices_(devices) {}

  int32_t AddAudioSource(const AudioSource& source) override;
  int32_t RemoveAudioSource(AudioSourceKind kind) override;
  std::vector<AudioSource> AudioSources() const override;
  int32_t EnableMicrophone(bool open) override;
  bool IsMicrophoneEnabled() const override { return microphone_enabled_; }
  int32_t SetAudioProcessing(int32_t which, int32_t value) override { return processing_.Set(which, value); }
  int32_t GetAudioProcessing(int32_t which, int32_t* value) const override;
  int32_t MicrophoneVolume() const override { return volume_; }

  // The recording's side.
  std::shared_ptr<AudioInput> Microphone();
  std::shared_ptr<AudioInput> Loopback();
  AudioProcessing& processing() { return processing_; }
  void set_volume(int32_t volume) { volume_ = volume; }
  void EndSession();

 private:
  struct Slot {
    std::optional<AudioSource> source;
    std::shared_ptr<AudioInput> live;
    bool failed = false;  // not tried again until the slot changes
  };
  std::shared_ptr<AudioInput> Open(Slot& slot);
  Slot& SlotOf(AudioSourceKind kind) { return kind == AudioSourceKind::kLoopback ? loopback_ : microphone_; }

  DeviceMonitor& devices_;
  mutable std::mutex mutex_;
  Slot microphone_;
  Slot loopback_;
  AudioProcessing processing_;
  std::atomic<bool> microphone_enabled_{true};
  std::atomic<int32_t> volume_{0};
};

}  // namespace kvp::av
