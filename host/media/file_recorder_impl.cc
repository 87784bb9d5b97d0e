#include "host/media/file_recorder_impl.h"

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/media/stream/cover_writer.h"
#include "host/media/capture/frame_image.h"
#include "host/media/pipeline_thread.h"

namespace kvp::av {

namespace {

bool ValidStart(const MediaData& data, const std::vector<std::string>& files, const RecorderConfig& config,
                int32_t mode) {
  if (mode < kRecordModeScreen || mode > kRecordModeScreenAndCamera) return false;
  if (!data.video && !data.audio) return false;
  if (data.video && (files.empty() || files[0].empty())) return false;
  if (data.audio && (files.size() < 2 || files[1].empty())) return false;
  return config.width >= 16 && config.height >= 16 && config.width <= 8192 && config.height <= 8192 &&
         config.fps >= 1 && config.fps <= 120;
}

}  // namespace

FileRecorderImpl::~FileRecorderImpl() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!session_) return;
  if (IsRecording()) session_->Pause(base::clock::SteadyMs());
  FinalizeLocked();
}

int32_t FileRecorderImpl::EnableRecording(bool on, const MediaData& data, const std::vector<std::string>& files,
                                          const RecorderConfig& config, bool hold_files, int32_t mode) {
  if (IsPipelineThread()) return kErrWrongThread;
  std::lock_guard<std::mutex> lock(mutex_);
  if (on) return StartLocked(data, files, config, mode);
  if (!session_) return kErrInvalidState;
  if (IsRecording()) {
    session_->Pause(base::clock::SteadyMs());
    timeline_us_ = session_->timeline_us();
    segment_start_ms_ = 0;
  }
  return hold_files ? kOk : FinalizeLocked();
}

int32_t FileRecorderImpl::StartLocked(const MediaData& data, const std::vector<std::string>& files,
                                      const RecorderConfig& config, int32_t mode) {
  if (IsRecording()) return kErrInvalidState;
  if (!ValidStart(data, files, config, mode)) return kErrInvalidArgument;
  if (session_ && !session_->Matches(files)) {
    KLOG(1) << "the files of another recording are still open";
    return kErrInvalidState;
  }
  if (!session_) {
    int32_t code = kOk;
    session_ = RecordingSession::Open(files, data, config, listeners_, &code);
    if (!session_) return code;
    video_.StartSession(mode, config.fps);
  } else {
    video_.ResumeSession(mode);
  }
  const int64_t now = base::clock::SteadyMs();
  timeline_us_ = session_->timeline_us();
  session_->Start(mode, video_.CurrentFrameRate(), video_, audio_, now);
  segment_start_ms_ = now;
  KLOG(6) << "recording mode " << mode << " from " << timeline_us_ / 1000 << " ms";
  return kOk;
}

int32_t FileRecorderImpl::Finalize() {
  if (IsPipelineThread()) return kErrWrongThread;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!session_ || IsRecording()) return kErrInvalidState;
  return FinalizeLocked();
}

int32_t FileRecorderImpl::FinalizeLocked() {
  const int32_t code = session_->Finish();
  session_.reset();
  timeline_us_ = 0;
  video_.EndSession();
  audio_.EndSession();
  KLOG(6) << "recording finalised: " << code;
  return code;
}

int32_t FileRecorderImpl::SaveCover(const FrameImage* image, const std::string& path, int64_t* size_bytes) {
  if (path.empty()) return kErrInvalidArgument;
  if (image) return WriteJpegCover(image->frame(), path, size_bytes);
  if (IsPipelineThread()) return kErrWrongThread;
  std::lock_guard<std::mutex> lock(mutex_);
  return session_ ? session_->SaveCover(path, size_bytes) : kErrNoFrame;
}

int64_t FileRecorderImpl::RecordedUs() const {
  const int64_t start = segment_start_ms_;
  return timeline_us_ + (start != 0 ? (base::clock::SteadyMs() - start) * 1000 : 0);
}

}  // namespace kvp::av
