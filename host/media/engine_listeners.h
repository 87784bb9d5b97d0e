#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "host/base/threading/looper.h"
#include "host/media/listener_set.h"
#include "host/media/media_listeners.h"

namespace kvp::av {

// The engine's listeners and the event thread that delivers exceptions and device events. That
// thread is never joined by enable-recording or finalise, so a listener may call them from an
// exception callback. Frames and levels are delivered directly on the thread that produced them.
class EngineListeners {
 public:
  EngineListeners();
  ~EngineListeners();
  EngineListeners(const EngineListeners&) = delete;
  EngineListeners& operator=(const EngineListeners&) = delete;

  ListenerSet<IMediaExceptionListener>& exceptions() { return exceptions_; }
  ListenerSet<IVideoStreamEventListener>& video_streams() { return video_streams_; }
  ListenerSet<IAudioStreamEventListener>& audio_streams() { return audio_streams_; }
  ListenerSet<IVideoDeviceEventListener>& video_devices() { return video_devices_; }
  ListenerSet<IAudioDeviceEventListener>& audio_devices() { return audio_devices_; }

  void PostException(int32_t code, std::string message);
  void PostVideoDeviceEvent(const VideoDeviceEvent& event);
  void PostAudioDeviceEvent(const AudioDeviceEvent& event);
  void NotifyFrame(const VideoFrameInfo& frame);
  void NotifyMicrophoneVolume(int32_t volume);

  bool OnEventThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  ListenerSet<IMediaExceptionListener> exceptions_;
  ListenerSet<IVideoStreamEventListener> video_streams_;
  ListenerSet<IAudioStreamEventListener> audio_streams_;
  ListenerSet<IVideoDeviceEventListener> video_devices_;
  ListenerSet<IAudioDeviceEventListener> audio_devices_;
  base::threading::Looper looper_{"media-events"};
  std::thread thread_;
};

}  // namespace kvp::av
