#pragma once

#include <cstdint>
#include <string>

#include "host/media/media_types.h"

// Callbacks of the media engine. They arrive on engine threads, never on the caller's looper;
// an implementation guards its own state. After Remove*Listener returns, the listener is not
// called again (unless Remove was called from inside that listener's own callback).
namespace kvp::av {

class IMediaExceptionListener {
 public:
  // A failure while recording, e.g. kErrNoSpace when a file could not be written. Delivered on
  // the engine's event thread, from which enable-recording and finalise may be called.
  virtual void OnMediaException(int32_t code, const std::string& message) = 0;

 protected:
  ~IMediaExceptionListener() = default;
};

class IVideoStreamEventListener {
 public:
  // Each mixed frame once it is in the file, on the video thread. Keep it short: the next frame
  // waits. SaveCover may be called from here with frame.image.
  virtual void OnVideoFrame(const VideoFrameInfo& frame) = 0;

 protected:
  ~IVideoStreamEventListener() = default;
};

class IAudioStreamEventListener {
 public:
  // The microphone level 0-100, about ten times a second while recording, also while the
  // microphone is muted (so that speaking into a muted microphone can be noticed).
  virtual void OnMicrophoneVolume(int32_t volume) = 0;

 protected:
  ~IAudioStreamEventListener() = default;
};

class IVideoDeviceEventListener {
 public:
  // Cameras, screens, capture activity and the captured window's state, on the event thread.
  virtual void OnVideoDeviceEvent(const VideoDeviceEvent& event) = 0;

 protected:
  ~IVideoDeviceEventListener() = default;
};

class IAudioDeviceEventListener {
 public:
  // Microphones coming and going and the default one changing, on the event thread.
  virtual void OnAudioDeviceEvent(const AudioDeviceEvent& event) = 0;

 protected:
  ~IAudioDeviceEventListener() = default;
};

}  // namespace kvp::av
