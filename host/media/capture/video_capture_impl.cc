#include "host/media/capture/video_capture_impl.h"

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/media/capture/synthetic_screen.h"
#include "host/media/capture/xcb_screen_capture.h"

namespace kvp::av {

namespace {
bool IsScreenKind(VideoSourceKind kind) { return kind == VideoSourceKind::kScreen || kind == VideoSourceKind::kWindow; }
bool ValidConfig(const CaptureConfig& config) { return config.width >= 0 && config.height >= 0 && config.fps >= 0; }
}  // namespace

VideoCaptureImpl::VideoCaptureImpl(DeviceMonitor& devices, EngineListeners& listeners)
    : devices_(devices), listeners_(listeners) {}

VideoCaptureImpl::~VideoCaptureImpl() { devices_.WatchWindow(0); }

int32_t VideoCaptureImpl::AddVideoSource(const VideoSource& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (source.kind == VideoSourceKind::kCamera) {
    camera_source_ = source;
    camera_.reset();
    camera_failed_ = false;
    return kOk;
  }
  if (!devices_.Planner().PlanScreen(source, screen_config_)) return kErrInvalidArgument;
  screen_source_ = source;
  screen_.reset();
  screen_failed_ = false;
  devices_.WatchWindow(source.kind == VideoSourceKind::kWindow ? source.window_id : 0);
  // A capture that is open follows the new source at once.
  if (begun_ || preview_) ScreenLocked();
  return kOk;
}

int32_t VideoCaptureImpl::RemoveVideoSource(VideoSourceKind kind) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (IsScreenKind(kind)) {
    screen_source_.reset();
    screen_.reset();
    screen_failed_ = false;
    devices_.WatchWindow(0);
  } else {
    camera_source_.reset();
    camera_.reset();
    camera_failed_ = false;
  }
  return kOk;
}

std::vector<VideoSource> VideoCaptureImpl::VideoSources() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<VideoSource> sources;
  if (screen_source_) sources.push_back(*screen_source_);
  if (camera_source_) sources.push_back(*camera_source_);
  return sources;
}

int32_t VideoCaptureImpl::BeginScreenCapture() {
  std::lock_guard<std::mutex> lock(mutex_);
  begun_ = true;
  return OpenResultLocked();
}

int32_t VideoCaptureImpl::EndScreenCapture() {
  std::lock_guard<std::mutex> lock(mutex_);
  begun_ = false;
  ReleaseUnusedLocked();
  return kOk;
}

int32_t VideoCaptureImpl::OpenPreviewCapture() {
  std::lock_guard<std::mutex> lock(mutex_);
  const int32_t result = OpenResultLocked();
  preview_ = result == kOk;
  return result;
}

int32_t VideoCaptureImpl::OpenResultLocked() {
  if (!screen_source_) return kErrNoSource;
  return ScreenLocked() ? kOk : kErrCaptureOpen;
}

int32_t VideoCaptureImpl::ClosePreviewCapture() {
  std::lock_guard<std::mutex> lock(mutex_);
  preview_ = false;
  ReleaseUnusedLocked();
  return kOk;
}

int32_t VideoCaptureImpl::SetScreenCaptureConfig(const CaptureConfig& config) {
  if (!ValidConfig(config)) return kErrInvalidArgument;
  std::lock_guard<std::mutex> lock(mutex_);
  screen_config_ = config;
  if (session_ && (mode_ & kRecordModeScreen) && config.fps > 0) recording_fps_ = config.fps;
  return kOk;
}

CaptureConfig VideoCaptureImpl::ScreenCaptureConfig() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return screen_config_;
}

int32_t VideoCaptureImpl::SetCameraCaptureConfig(const CaptureConfig& config) {
  if (!ValidConfig(config)) return kErrInvalidArgument;
  std::lock_guard<std::mutex> lock(mutex_);
  // The camera is asked for its size when it is opened, so another size opens it again.
  if (config.width != camera_config_.width || config.height != camera_config_.height) {
    camera_.reset();
    camera_failed_ = false;
  }
  camera_config_ = config;
  if (session_ && mode_ == kRecordModeCamera && config.fps > 0) recording_fps_ = config.fps;
  return kOk;
}

CaptureConfig VideoCaptureImpl::CameraCaptureConfig() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return camera_config_;
}

int32_t VideoCaptureImpl::SetPreviewCaptureConfig(const CaptureConfig& config) {
  if (!ValidConfig(config)) return kErrInvalidArgument;
  std::lock_guard<std::mutex> lock(mutex_);
  preview_config_ = config;
  return kOk;
}

CaptureConfig VideoCaptureImpl::PreviewCaptureConfig() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return preview_config_;
}

void VideoCaptureImpl::StartSession(int32_t mode, int32_t fps) {
  std::lock_guard<std::mutex> lock(mutex_);
  session_ = true;
  mode_ = mode;
  recording_fps_ = fps;
}

void VideoCaptureImpl::ResumeSession(int32_t mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = mode;
}

void VideoCaptureImpl::EndSession() {
  std::lock_guard<std::mutex> lock(mutex_);
  session_ = false;
  mode_ = kRecordModeNone;
  recording_fps_ = 0;
  ReleaseUnusedLocked();
}

std::shared_ptr<ScreenLayer> VideoCaptureImpl::Screen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ScreenLocked();
}

std::shared_ptr<ScreenLayer> VideoCaptureImpl::ScreenLocked() {
  if (screen_ || !screen_source_ || screen_failed_) return screen_;
  const auto plan = devices_.Planner().PlanScreen(*screen_source_, screen_config_);
  if (!plan) return nullptr;
  if (plan->kind == ScreenPlan::Kind::kSynthetic) {
    screen_ = std::make_shared<SyntheticScreen>(recording_fps_ > 0 ? recording_fps_.load() : 30);
  } else {
    std::string error;
    screen_ = XcbScreenCapture::Open(*plan, &error);
    if (!screen_) {
      KLOG(1) << "screen capture: " << error;
      screen_failed_ = true;
      return nullptr;
    }
  }
  screen_->Prepare();
  KLOG(6) << "screen capture open: " << plan->screen.name << " window " << plan->window_id;
  PostCaptureActive(screen_source_->kind, base::clock::SteadyMs());
  return screen_;
}

std::shared_ptr<CameraSource> VideoCaptureImpl::Camera() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (camera_ || !camera_source_ || camera_failed_) return camera_;
  std::string error;
  camera_ = CameraSource::Open(devices_.Planner().PlanCamera(camera_source_->device_id, camera_config_),
                               [this](int64_t at) { PostCaptureActive(VideoSourceKind::kCamera, at); }, &error);
  camera_failed_ = !camera_;
  if (camera_failed_) KLOG(1) << "camera: " << error;
  return camera_;
}

void VideoCaptureImpl::ReleaseUnusedLocked() {
  if (!session_) {
    camera_.reset();
    camera_failed_ = false;
  }
  if (!session_ && !begun_ && !preview_) {
    screen_.reset();
    screen_failed_ = false;
  }
}

void VideoCaptureImpl::PostCaptureActive(VideoSourceKind kind, int64_t steady_ms) {
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kCaptureActive;
  event.source = kind;
  event.steady_ms = steady_ms;
  listeners_.PostVideoDeviceEvent(event);
}

}  // namespace kvp::av
