#include "host/media/audio/audio_capture_impl.h"

#include "host/base/logging/logger.h"

namespace kvp::av {

int32_t AudioCaptureImpl::AddAudioSource(const AudioSource& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  SlotOf(source.kind) = Slot{source, nullptr, false};
  return kOk;
}

int32_t AudioCaptureImpl::RemoveAudioSource(AudioSourceKind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  SlotOf(kind) = Slot{};
  return kOk;
}

std::vector<AudioSource> AudioCaptureImpl::AudioSources() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<AudioSource> sources;
  if (microphone_.source) sources.push_back(*microphone_.source);
  if (loopback_.source) sources.push_back(*loopback_.source);
  return sources;
}

int32_t AudioCaptureImpl::EnableMicrophone(bool open) {
  microphone_enabled_ = open;
  return kOk;
}

int32_t AudioCaptureImpl::GetAudioProcessing(int32_t which, int32_t* value) const {
  if (!value) return kErrInvalidArgument;
  return processing_.Get(which, value);
}

std::shared_ptr<AudioInput> AudioCaptureImpl::Microphone() {
  std::lock_guard<std::mutex> lock(mutex_);
  return Open(microphone_);
}

std::shared_ptr<AudioInput> AudioCaptureImpl::Loopback() {
  std::lock_guard<std::mutex> lock(mutex_);
  return Open(loopback_);
}

std::shared_ptr<AudioInput> AudioCaptureImpl::Open(Slot& slot) {
  if (slot.live || !slot.source || slot.failed) return slot.live;
  std::string error;
  slot.live = AudioInput::Open(devices_.Planner().PlanAudio(*slot.source), &error);
  slot.failed = !slot.live;
  if (slot.failed) KLOG(1) << "audio source: " << error << ", recording silence for it";
  return slot.live;
}

void AudioCaptureImpl::EndSession() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Slot* slot : {&microphone_, &loopback_}) {
    slot->live.reset();
    slot->failed = false;
  }
  volume_ = 0;
}

}  // namespace kvp::av
