#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "host/media/capture/camera_source.h"
#include "host/media/devices/device_monitor.h"
#include "host/media/engine_listeners.h"
#include "host/media/media_engine.h"
#include "host/media/capture/screen_layer.h"

namespace kvp::av {

// The video half of the capture configuration: the screen and camera slots, the capture sizes
// and rates, and the live sources, which are opened when something needs them (an open screen
// capture, a preview, a recording) and closed when nothing does.
class VideoCaptureImpl : public IVideoCapture {
 public:
  VideoCaptureImpl(DeviceMonitor& devices, EngineListeners& listeners);
  ~VideoCaptureImpl();

  int32_t AddVideoSource(const VideoSource& source) override;
  int32_t RemoveVideoSource(VideoSourceKind kind) override;
  std::vector<VideoSource> VideoSources() const override;
  int32_t BeginScreenCapture() override;
  int32_t EndScreenCapture() override;
  int32_t OpenPreviewCapture() override;
  int32_t ClosePreviewCapture() override;
  int32_t SetScreenCaptureConfig(const CaptureConfig& config) override;
  CaptureConfig ScreenCaptureConfig() const override;
  int32_t SetCameraCaptureConfig(const CaptureConfig& config) override;
  CaptureConfig CameraCaptureConfig() const override;
  int32_t SetPreviewCaptureConfig(const CaptureConfig& config) override;
  CaptureConfig PreviewCaptureConfig() const override;
  int32_t CurrentFrameRate() const override { return recording_fps_; }
  bool SupportsFrameRateAdaptation() const override { return true; }

  // The recording's side. A session spans from the first start of a file set to its finalise.
  void StartSession(int32_t mode, int32_t fps);
  void ResumeSession(int32_t mode);
  void EndSession();
  // The live sources of the slots, opened on first use; null when the slot is empty or the
  // source cannot be opened.
  std::shared_ptr<ScreenLayer> Screen();
  std::shared_ptr<CameraSource> Camera();

 private:
  std::shared_ptr<ScreenLayer> ScreenLocked();
  // Opens the screen slot's source: kOk, kErrNoSource (empty slot) or kErrCaptureOpen.
  int32_t OpenResultLocked();
  void ReleaseUnusedLocked();
  void PostCaptureActive(VideoSourceKind kind, int64_t steady_ms);

  DeviceMonitor& devices_;
  EngineListeners& listeners_;
  mutable std::mutex mutex_;
  std::optional<VideoSource> screen_source_;
  std::optional<VideoSource> camera_source_;
  std::shared_ptr<ScreenLayer> screen_;
  std::shared_ptr<CameraSource> camera_;
  // A source that failed to open is not tried again until its slot or size changes.
  bool screen_failed_ = false;
  bool camera_failed_ = false;
  bool begun_ = false;
  bool preview_ = false;
  bool session_ = false;
  int32_t mode_ = kRecordModeNone;
  CaptureConfig screen_config_;
  CaptureConfig camera_config_;
  CaptureConfig preview_config_;
  std::atomic<int32_t> recording_fps_{0};
};

}  // namespace kvp::av
