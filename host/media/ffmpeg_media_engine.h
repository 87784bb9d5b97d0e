#pragma once

#include "host/media/audio/audio_capture_impl.h"
#include "host/media/devices/device_monitor.h"
#include "host/media/engine_listeners.h"
#include "host/media/file_recorder_impl.h"
#include "host/media/media_engine.h"
#include "host/media/capture/video_capture_impl.h"

namespace kvp::av {

// The media engine over FFmpeg and XCB: the parts put together in the order they depend on each
// other, and taken apart in reverse (a recording still going is finalised first).
class FfmpegMediaEngine : public IMediaEngine {
 public:
  FfmpegMediaEngine();
  ~FfmpegMediaEngine() override;

  IFileRecorder* GetFileRecorder() override { return &recorder_; }
  IVideoCapture* GetVideoCapture() override { return &video_; }
  IAudioCapture* GetAudioCapture() override { return &audio_; }
  IDeviceEnumerator* GetDevices() override { return &devices_; }

  void AddExceptionListener(IMediaExceptionListener* l) override { listeners_.exceptions().Add(l); }
  void RemoveExceptionListener(IMediaExceptionListener* l) override { listeners_.exceptions().Remove(l); }
  void AddVideoStreamListener(IVideoStreamEventListener* l) override { listeners_.video_streams().Add(l); }
  void RemoveVideoStreamListener(IVideoStreamEventListener* l) override { listeners_.video_streams().Remove(l); }
  void AddAudioStreamListener(IAudioStreamEventListener* l) override { listeners_.audio_streams().Add(l); }
  void RemoveAudioStreamListener(IAudioStreamEventListener* l) override { listeners_.audio_streams().Remove(l); }
  void AddVideoDeviceListener(IVideoDeviceEventListener* l) override { listeners_.video_devices().Add(l); }
  void RemoveVideoDeviceListener(IVideoDeviceEventListener* l) override { listeners_.video_devices().Remove(l); }
  void AddAudioDeviceListener(IAudioDeviceEventListener* l) override { listeners_.audio_devices().Add(l); }
  void RemoveAudioDeviceListener(IAudioDeviceEventListener* l) override { listeners_.audio_devices().Remove(l); }

 private:
  EngineListeners listeners_;
  DeviceMonitor devices_;
  VideoCaptureImpl video_;
  AudioCaptureImpl audio_;
  FileRecorderImpl recorder_;
};

}  // namespace kvp::av
