#include "host/media/recording_session.h"

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/media/stream/cover_writer.h"
#include "host/media/encoding/frame_clock.h"

namespace kvp::av {

std::unique_ptr<RecordingSession> RecordingSession::Open(const std::vector<std::string>& files, const MediaData& data,
                                                         const RecorderConfig& config, EngineListeners& listeners,
                                                         int32_t* code) {
  std::unique_ptr<RecordingSession> session(new RecordingSession(listeners));
  session->files_ = files;
  session->config_ = config;
  *code = kOk;
  if (data.video && !(session->video_ = VideoTrack::Open(files[0], config, code))) return nullptr;
  if (data.audio && !(session->audio_ = AudioTrack::Open(files[1], code))) return nullptr;
  // Appending after a crash: both streams go on from the later of their ends.
  session->timeline_us_ = std::max(session->video_ ? session->video_->opened_end_us() : 0,
                                   session->audio_ ? session->audio_->opened_end_us() : 0);
  if (session->audio_) session->audio_->SetOrigin(session->timeline_us_);
  session->audio_origin_us_ = session->timeline_us_;
  if (session->timeline_us_ > 0) KLOG(6) << "recording continues at " << session->timeline_us_ / 1000 << " ms";
  return session;
}

RecordingSession::~RecordingSession() {
  video_pipeline_.reset();
  audio_pipeline_.reset();
}

void RecordingSession::Start(int32_t mode, int32_t fps, VideoCaptureImpl& video, AudioCaptureImpl& audio,
                             int64_t now_ms) {
  segment_start_ms_ = now_ms;
  const auto on_failure = [this](int32_t code) { ReportFailure(code); };
  if (video_) {
    video_pipeline_ = std::make_unique<VideoPipeline>(
        *video_, video, listeners_, on_failure,
        VideoPipeline::Segment{mode, now_ms, timeline_us_, fps, config_.camera_rect});
  }
  if (audio_) audio_pipeline_ = std::make_unique<AudioPipeline>(*audio_, audio, listeners_, on_failure, now_ms);
}

void RecordingSession::Pause(int64_t now_ms) {
  // The video thread may take a while to finish its last frames; the audio must not run past
  // the stop meanwhile.
  if (audio_pipeline_) audio_pipeline_->Hold(now_ms);
  const int64_t end_us =
      video_pipeline_ ? video_pipeline_->Stop(now_ms) : timeline_us_ + (now_ms - segment_start_ms_) * 1000;
  if (audio_pipeline_) audio_pipeline_->Stop(UsToSamples(end_us - audio_origin_us_, AudioTrack::kSampleRate));
  video_pipeline_.reset();
  audio_pipeline_.reset();
  KLOG(6) << "segment ended, recorded " << end_us / 1000 << " ms";
  timeline_us_ = end_us;
}

int32_t RecordingSession::Finish() {
  const int32_t video = video_ ? video_->Finish() : kOk;
  const int32_t audio = audio_ ? audio_->Finish() : kOk;
  return video != kOk ? video : audio;
}

int32_t RecordingSession::SaveCover(const std::string& path, int64_t* size_bytes) {
  if (!video_ || video_->frames() == 0) return kErrNoFrame;
  // While recording the picture changes with every frame, so the video thread takes the cover.
  if (video_pipeline_ && video_pipeline_->running()) return video_pipeline_->SaveCover(path, size_bytes);
  return WriteJpegCover(video_->picture(), path, size_bytes);
}

void RecordingSession::ReportFailure(int32_t code) {
  if (failure_reported_.exchange(true)) return;
  listeners_.PostException(code, code == kErrNoSpace ? "no space left for the recording files"
                                                     : "writing the recording failed");
}

}  // namespace kvp::av
