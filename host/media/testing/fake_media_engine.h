#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/media/media_engine.h"

// A media engine for unit tests: it records every call, answers what the test sets, and hands
// events to the registered listeners when the test says so (on the test's thread). It installs
// itself as the process's engine for its lifetime. Header-only, so that it is linked into tests
// only. Not thread-safe.
namespace kvp::av::testing {

class FakeMediaEngine : public IMediaEngine,
                        public IFileRecorder,
                        public IVideoCapture,
                        public IAudioCapture,
                        public IDeviceEnumerator {
 public:
  struct EnableCall {
    bool on = false;
    MediaData data;
    std::vector<std::string> files;
    RecorderConfig config;
    bool hold_files = false;
    int32_t mode = 0;
  };

  FakeMediaEngine() { SetMediaEngineForTesting(this); }
  ~FakeMediaEngine() override { SetMediaEngineForTesting(nullptr); }

  // --- What the engine answers.
  bool has_file_recorder = true;
  int32_t enable_on_result = kOk;
  int32_t enable_off_result = kOk;
  int32_t finalize_result = kOk;
  int32_t cover_result = kOk;
  int64_t cover_size = 1234;
  int32_t begin_result = kOk;
  int32_t preview_result = kOk;
  int64_t recorded_us = 0;
  std::vector<ScreenInfo> screens = {{kTestScreenId, "Test screen", {0, 0, 1920, 1080}, true, true}};
  std::vector<DeviceInfo> cameras = {{kTestCameraId, "Test camera", true, true}};
  std::vector<DeviceInfo> microphones = {{kTestMicrophoneId, "Test microphone", true, true}};
  bool loopback_available = false;
  int32_t microphone_volume = 0;

  // --- What was called.
  std::vector<EnableCall> enable_calls;
  int finalize_calls = 0;
  std::vector<std::string> cover_paths;
  int begin_calls = 0;
  int end_calls = 0;
  int preview_opens = 0;
  int preview_closes = 0;
  std::vector<VideoSource> video_sources;
  std::vector<AudioSource> audio_sources;
  CaptureConfig screen_config;
  CaptureConfig camera_config;
  CaptureConfig preview_config;
  bool microphone_enabled = true;
  std::map<int32_t, int32_t> audio_processing = {{kAudioSendAttenuation, 0}, {kAudioEnhancedPreprocess, 0}, {kAudioSuperWideband, 0}};
  bool recording = false;

  // --- Events, delivered synchronously to the listeners registered now (a listener may remove
  // itself while it is called).
  void EmitException(int32_t code, const std::string& message) {
    for (auto* l : std::vector(exception_listeners_)) l->OnMediaException(code, message);
  }
  void EmitFrame(const VideoFrameInfo& frame) {
    for (auto* l : std::vector(video_stream_listeners_)) l->OnVideoFrame(frame);
  }
  void EmitMicrophoneVolume(int32_t volume) {
    for (auto* l : std::vector(audio_stream_listeners_)) l->OnMicrophoneVolume(volume);
  }
  void EmitVideoDeviceEvent(const VideoDeviceEvent& event) {
    for (auto* l : std::vector(video_device_listeners_)) l->OnVideoDeviceEvent(event);
  }
  void EmitAudioDeviceEvent(const AudioDeviceEvent& event) {
    for (auto* l : std::vector(audio_device_listeners_)) l->OnAudioDeviceEvent(event);
  }
  size_t exception_listener_count() const { return exception_listeners_.size(); }
  size_t video_stream_listener_count() const { return video_stream_listeners_.size(); }
  size_t audio_stream_listener_count() const { return audio_stream_listeners_.size(); }
  size_t video_device_listener_count() const { return video_device_listeners_.size(); }
  size_t audio_device_listener_count() const { return audio_device_listeners_.size(); }

  // --- IMediaEngine
  IFileRecorder* GetFileRecorder() override { return has_file_recorder ? this : nullptr; }
  IVideoCapture* GetVideoCapture() override { return this; }
  IAudioCapture* GetAudioCapture() override { return this; }
  IDeviceEnumerator* GetDevices() override { return this; }
  void AddExceptionListener(IMediaExceptionListener* l) override { Add(exception_listeners_, l); }
  void RemoveExceptionListener(IMediaExceptionListener* l) override { Remove(exception_listeners_, l); }
  void AddVideoStreamListener(IVideoStreamEventListener* l) override { Add(video_stream_listeners_, l); }
  void RemoveVideoStreamListener(IVideoStreamEventListener* l) override { Remove(video_stream_listeners_, l); }
  void AddAudioStreamListener(IAudioStreamEventListener* l) override { Add(audio_stream_listeners_, l); }
  void RemoveAudioStreamListener(IAudioStreamEventListener* l) override { Remove(audio_stream_listeners_, l); }
  void AddVideoDeviceListener(IVideoDeviceEventListener* l) override { Add(video_device_listeners_, l); }
  void RemoveVideoDeviceListener(IVideoDeviceEventListener* l) override { Remove(video_device_listeners_, l); }
  void AddAudioDeviceListener(IAudioDeviceEventListener* l) override { Add(audio_device_listeners_, l); }
  void RemoveAudioDeviceListener(IAudioDeviceEventListener* l) override { Remove(audio_device_listeners_, l); }

  // --- IFileRecorder
  int32_t EnableRecording(bool on, const MediaData& data, const std::vector<std::string>& files,
                          const RecorderConfig& config, bool hold_files, int32_t mode) override {
    enable_calls.push_back({on, data, files, config, hold_files, mode});
    const int32_t result = on ? enable_on_result : enable_off_result;
    if (result == kOk) recording = on;
    return result;
  }
  int32_t Finalize() override {
    ++finalize_calls;
    return finalize_result;
  }
  int32_t SaveCover(const FrameImage*, const std::string& path, int64_t* size_bytes) override {
    cover_paths.push_back(path);
    if (cover_result == kOk && size_bytes) *size_bytes = cover_size;
    return cover_result;
  }
  bool IsRecording() const override { return recording; }
  int64_t RecordedUs() const override { return recorded_us; }

  // --- IVideoCapture
  int32_t AddVideoSource(const VideoSource& source) override {
    const bool screen_slot = source.kind != VideoSourceKind::kCamera;
    std::erase_if(video_sources, [&](const VideoSource& s) { return (s.kind != VideoSourceKind::kCamera) == screen_slot; });
    video_sources.push_back(source);
    return kOk;
  }
  int32_t RemoveVideoSource(VideoSourceKind kind) override {
    const bool screen_slot = kind != VideoSourceKind::kCamera;
    std::erase_if(video_sources, [&](const VideoSource& s) { return (s.kind != VideoSourceKind::kCamera) == screen_slot; });
    return kOk;
  }
  std::vector<VideoSource> VideoSources() const override { return video_sources; }
  int32_t BeginScreenCapture() override {
    ++begin_calls;
    return begin_result;
  }
  int32_t EndScreenCapture() override {
    ++end_calls;
    return kOk;
  }
  int32_t OpenPreviewCapture() override {
    ++preview_opens;
    return preview_result;
  }
  int32_t ClosePreviewCapture() override {
    ++preview_closes;
    return kOk;
  }
  int32_t SetScreenCaptureConfig(const CaptureConfig& config) override {
    screen_config = config;
    return kOk;
  }
  CaptureConfig ScreenCaptureConfig() const override { return screen_config; }
  int32_t SetCameraCaptureConfig(const CaptureConfig& config) override {
    camera_config = config;
    return kOk;
  }
  CaptureConfig CameraCaptureConfig() const override { return camera_config; }
  int32_t SetPreviewCaptureConfig(const CaptureConfig& config) override {
    preview_config = config;
    return kOk;
  }
  CaptureConfig PreviewCaptureConfig() const override { return preview_config; }
  int32_t CurrentFrameRate() const override {
    if (!recording || enable_calls.empty()) return 0;
    const int32_t mode = enable_calls.back().mode;
    const CaptureConfig& config = mode == kRecordModeCamera ? camera_config : screen_config;
    return config.fps > 0 ? config.fps : enable_calls.back().config.fps;
  }
  bool SupportsFrameRateAdaptation() const override { return true; }

  // --- IAudioCapture
  int32_t AddAudioSource(const AudioSource& source) override {
    std::erase_if(audio_sources, [&](const AudioSource& s) { return s.kind == source.kind; });
    audio_sources.push_back(source);
    return kOk;
  }
  int32_t RemoveAudioSource(AudioSourceKind kind) override {
    std::erase_if(audio_sources, [&](const AudioSource& s) { return s.kind == kind; });
    return kOk;
  }
  std::vector<AudioSource> AudioSources() const override { return audio_sources; }
  int32_t EnableMicrophone(bool open) override {
    microphone_enabled = open;
    return kOk;
  }
  bool IsMicrophoneEnabled() const override { return microphone_enabled; }
  int32_t SetAudioProcessing(int32_t which, int32_t value) override {
    if (which != kAudioSendAttenuation && which != kAudioEnhancedPreprocess && which != kAudioSuperWideband) {
      return kErrNotSupported;
    }
    audio_processing[which] = value;
    return kOk;
  }
  int32_t GetAudioProcessing(int32_t which, int32_t* value) const override {
    auto it = audio_processing.find(which);
    if (it == audio_processing.end()) return kErrNotSupported;
    *value = it->second;
    return kOk;
  }
  int32_t MicrophoneVolume() const override { return microphone_volume; }

  // --- IDeviceEnumerator
  std::vector<ScreenInfo> Screens() override { return screens; }
  std::vector<DeviceInfo> Cameras() override { return cameras; }
  std::vector<DeviceInfo> Microphones() override { return microphones; }
  bool LoopbackAvailable() override { return loopback_available; }

 private:
  template <typename T>
  static void Add(std::vector<T*>& list, T* l) {
    if (std::find(list.begin(), list.end(), l) == list.end()) list.push_back(l);
  }
  template <typename T>
  static void Remove(std::vector<T*>& list, T* l) {
    std::erase(list, l);
  }

  std::vector<IMediaExceptionListener*> exception_listeners_;
  std::vector<IVideoStreamEventListener*> video_stream_listeners_;
  std::vector<IAudioStreamEventListener*> audio_stream_listeners_;
  std::vector<IVideoDeviceEventListener*> video_device_listeners_;
  std::vector<IAudioDeviceEventListener*> audio_device_listeners_;
};

}  // namespace kvp::av::testing
