#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/media/media_listeners.h"
#include "host/media/media_types.h"

// The host media engine: capture of screens, windows, camera, microphone and system sound,
// encoding, and the raw stream files of a recording (docs/media-engine.md, docs/raw-streams.md).
// Every operation may be called from any thread; failures are the negative codes of
// media_errors.h.
namespace kvp::av {

class IFileRecorder {
 public:
  // on = true starts a recording in `mode` (kRecordMode*), or resumes the paused one: files[0] is
  // the video stream ("<base>.kovtv"), files[1] the audio stream ("<base>.kovta"); each gets its
  // index beside it. Files that already hold a stream are appended to, with timestamps that go on
  // from the recorded duration. `hold_files` is ignored when turning on.
  // on = false pauses; `hold_files` keeps the encoders and files open so that the next on
  // continues them (false closes them as Finalize does). `files`, `config` and `mode` are ignored
  // when turning off.
  virtual int32_t EnableRecording(bool on, const MediaData& data, const std::vector<std::string>& files,
                                  const RecorderConfig& config, bool hold_files, int32_t mode) = 0;
  // Ends the files of a paused recording: flushes the encoders and closes the streams.
  virtual int32_t Finalize() = 0;
  // Writes a JPEG cover of `image` (from OnVideoFrame; null: the last frame written) to `path`,
  // crash-safely. *size_bytes gets the file size.
  virtual int32_t SaveCover(const FrameImage* image, const std::string& path, int64_t* size_bytes) = 0;
  virtual bool IsRecording() const = 0;
  // The recording timeline so far in microseconds (what the files cover).
  virtual int64_t RecordedUs() const = 0;

 protected:
  ~IFileRecorder() = default;
};

class IVideoCapture {
 public:
  // Puts a source into its slot (screen or window, camera), replacing what was there; takes
  // effect at the next frame while recording.
  virtual int32_t AddVideoSource(const VideoSource& source) = 0;
  // Empties the slot of `kind` (kScreen and kWindow share one).
  virtual int32_t RemoveVideoSource(VideoSourceKind kind) = 0;
  virtual std::vector<VideoSource> VideoSources() const = 0;
  // Opens the screen or window capture ahead of the recording, so that the first frame is ready;
  // kCaptureActive follows once a frame was taken. End closes it again unless recording needs it.
  virtual int32_t BeginScreenCapture() = 0;
  virtual int32_t EndScreenCapture() = 0;
  // The preview capture device: like Begin, for a preview. Both answer kErrNoSource when the
  // screen slot is empty and kErrCaptureOpen when its source cannot be captured.
  virtual int32_t OpenPreviewCapture() = 0;
  virtual int32_t ClosePreviewCapture() = 0;
  // Capture sizes and rates. The rate of the running recording follows the screen config (modes
  // 1, 3) or the camera config (mode 2) when it changes while recording or paused; the size of a
  // recording's files never changes. The camera is asked for the camera config's size.
  virtual int32_t SetScreenCaptureConfig(const CaptureConfig& config) = 0;
  virtual CaptureConfig ScreenCaptureConfig() const = 0;
  virtual int32_t SetCameraCaptureConfig(const CaptureConfig& config) = 0;
  virtual CaptureConfig CameraCaptureConfig() const = 0;
  virtual int32_t SetPreviewCaptureConfig(const CaptureConfig& config) = 0;
  virtual CaptureConfig PreviewCaptureConfig() const = 0;
  // The frame rate of the running (or paused) recording; 0 when there is none.
  virtual int32_t CurrentFrameRate() const = 0;
  // Whether the frame rate can change during a recording (for the adaptive frame rate).
  virtual bool SupportsFrameRateAdaptation() const = 0;

 protected:
  ~IVideoCapture() = default;
};

class IAudioCapture {
 public:
  virtual int32_t AddAudioSource(const AudioSource& source) = 0;
  virtual int32_t RemoveAudioSource(AudioSourceKind kind) = 0;
  virtual std::vector<AudioSource> AudioSources() const = 0;
  // A closed microphone is still captured (its level is still reported) but recorded as silence.
  virtual int32_t EnableMicrophone(bool open) = 0;
  virtual bool IsMicrophoneEnabled() const = 0;
  // Audio processing switches (kAudio*); unknown switches answer kErrNotSupported.
  virtual int32_t SetAudioProcessing(int32_t which, int32_t value) = 0;
  virtual int32_t GetAudioProcessing(int32_t which, int32_t* value) const = 0;
  // The last microphone level 0-100 (0 when not recording).
  virtual int32_t MicrophoneVolume() const = 0;

 protected:
  ~IAudioCapture() = default;
};

class IDeviceEnumerator {
 public:
  // Never empty: without a display there is the synthetic "Test screen", without a camera the
  // "Test camera", without an audio server the "Test microphone".
  virtual std::vector<ScreenInfo> Screens() = 0;
  virtual std::vector<DeviceInfo> Cameras() = 0;
  virtual std::vector<DeviceInfo> Microphones() = 0;
  // Whether system sound can really be captured (otherwise the loopback source records silence).
  virtual bool LoopbackAvailable() = 0;

 protected:
  ~IDeviceEnumerator() = default;
};

class IMediaEngine {
 public:
  virtual ~IMediaEngine() = default;

  // Null when the engine has no file recorder.
  virtual IFileRecorder* GetFileRecorder() = 0;
  virtual IVideoCapture* GetVideoCapture() = 0;
  virtual IAudioCapture* GetAudioCapture() = 0;
  virtual IDeviceEnumerator* GetDevices() = 0;

  // Listeners are not owned; remove them before they go away.
  virtual void AddExceptionListener(IMediaExceptionListener* listener) = 0;
  virtual void RemoveExceptionListener(IMediaExceptionListener* listener) = 0;
  virtual void AddVideoStreamListener(IVideoStreamEventListener* listener) = 0;
  virtual void RemoveVideoStreamListener(IVideoStreamEventListener* listener) = 0;
  virtual void AddAudioStreamListener(IAudioStreamEventListener* listener) = 0;
  virtual void RemoveAudioStreamListener(IAudioStreamEventListener* listener) = 0;
  virtual void AddVideoDeviceListener(IVideoDeviceEventListener* listener) = 0;
  virtual void RemoveVideoDeviceListener(IVideoDeviceEventListener* listener) = 0;
  virtual void AddAudioDeviceListener(IAudioDeviceEventListener* listener) = 0;
  virtual void RemoveAudioDeviceListener(IAudioDeviceEventListener* listener) = 0;
};

// The process's media engine: the FFmpeg engine, created on first use and shut down at exit, or
// the one a test installed.
IMediaEngine* GetMediaEngine();
// Installs `engine` (not owned) in place of the real one; nullptr goes back to the real one.
void SetMediaEngineForTesting(IMediaEngine* engine);

}  // namespace kvp::av
