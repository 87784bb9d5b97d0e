#include "host/media/engine_listeners.h"

#include "host/base/logging/logger.h"

namespace kvp::av {

EngineListeners::EngineListeners() : thread_([this] { looper_.Run(); }) {}

EngineListeners::~EngineListeners() {
  looper_.Quit();
  thread_.join();
}

void EngineListeners::PostException(int32_t code, std::string message) {
  KLOG(1) << "media exception " << code << ": " << message;
  looper_.PostTask(
      [this, code, message = std::move(message)] {
        exceptions_.Notify([&](IMediaExceptionListener* l) { l->OnMediaException(code, message); });
      },
      FROM_HERE);
}

void EngineListeners::PostVideoDeviceEvent(const VideoDeviceEvent& event) {
  looper_.PostTask(
      [this, event] { video_devices_.Notify([&](IVideoDeviceEventListener* l) { l->OnVideoDeviceEvent(event); }); },
      FROM_HERE);
}

void EngineListeners::PostAudioDeviceEvent(const AudioDeviceEvent& event) {
  looper_.PostTask(
      [this, event] { audio_devices_.Notify([&](IAudioDeviceEventListener* l) { l->OnAudioDeviceEvent(event); }); },
      FROM_HERE);
}

void EngineListeners::NotifyFrame(const VideoFrameInfo& frame) {
  video_streams_.Notify([&](IVideoStreamEventListener* l) { l->OnVideoFrame(frame); });
}

void EngineListeners::NotifyMicrophoneVolume(int32_t volume) {
  audio_streams_.Notify([&](IAudioStreamEventListener* l) { l->OnMicrophoneVolume(volume); });
}

}  // namespace kvp::av
