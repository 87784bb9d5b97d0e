#include "transcoder/record_task.h"

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/util/file.h"
#include "transcoder/transcode_result.h"

namespace qr_transcoder {

using base::json::JsonValue;

namespace {

constexpr int64_t kSizeEventIntervalMs = 1000;

RemuxPaths PathsOf(const RecordTaskParams& p) {
  return {p.in_video_file, p.in_video_index_file, p.in_audio_file, p.in_audio_index_file, p.output_file,
          p.output_m4a_file};
}

}  // namespace

RecordTask::RecordTask(RecordTaskParams params, std::optional<UploadState> state, TaskSettings settings,
                       IEventSink* sink)
    : params_(std::move(params)),
      settings_(settings),
      sink_(sink),
      state_path_(UploadStateFile::PathFor(params_.output_file)),
      remuxer_(PathsOf(params_)) {
  if (state) {
    state_ = std::move(*state);
  } else {
    state_.instance_id = params_.instance_id;
    state_.task = params_.message;
  }
  record_complete_ = params_.is_record_complete || state_.record_complete;
  record_time_duration_ = params_.record_time_duration;
}

RecordTask::~RecordTask() { Shutdown(); }

void RecordTask::Start() {
  if (params_.need_upload_file) SaveState();
  thread_ = std::thread([this] { Run(); });
}

void RecordTask::SetAuth(const UploadAuth& auth) {
  std::lock_guard<std::mutex> lock(mutex_);
  new_auth_ = auth;
  record_id_ = auth.record_id;
  wake_.notify_all();
}

void RecordTask::RecordingFinished(int64_t record_time_duration) {
  std::lock_guard<std::mutex> lock(mutex_);
  record_complete_ = true;
  if (record_time_duration > 0) record_time_duration_ = record_time_duration;
  wake_.notify_all();
}

void RecordTask::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
  cancel_ = true;
  wake_.notify_all();
}

void RecordTask::Shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shutdown_ = true;
    cancel_ = true;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

JsonValue RecordTask::Base() const {
  JsonValue event = JsonValue::Object();
  event.SetJsonObject("instance_id", params_.instance_id);
  return event;
}

void RecordTask::Run() {
  for (;;) {
    std::optional<UploadAuth> auth;
    bool complete = false;
    bool stop = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(settings_.poll_ms), [&] {
        return new_auth_ || stop_ || shutdown_ || (record_complete_ && !transcode_done_);
      });
      if (shutdown_) break;
      stop = stop_;
      auth.swap(new_auth_);
      complete = record_complete_;
    }
    if (stop) {
      if (!transcode_done_) SendTranscodeFinish(kTranscodeStopped);
      break;
    }
    if (auth) {
      auth_ = *auth;
      if (phase_ == UploadPhase::kUploading && upload_) {
        upload_->SetGrant(auth_.video);
      } else if (phase_ != UploadPhase::kComplete) {
        phase_ = UploadPhase::kUploading;
        upload_failed_ = false;
        upload_.reset();
      }
    }
    if (!transcode_done_) {
      if (complete || remuxer_.PendingFrames() >= static_cast<size_t>(params_.transcoding_threshold)) TranscodeTurn();
    }
    UploadTurn();
    const bool upload_over = !params_.need_upload_file || phase_ == UploadPhase::kComplete || transcode_result_ != 0;
    if (transcode_done_ && upload_over) break;
  }
  done_ = true;
}

void RecordTask::TranscodeTurn() {
  bool final = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    final = record_complete_;
  }
  const int32_t result = remuxer_.Pass(final);
  muxed_bytes_ = remuxer_.committed_bytes();
  if (result != kTranscodeOk) {
    transcode_done_ = true;
    transcode_result_ = result;
    SendTranscodeFinish(result);
    if (params_.need_upload_file) {
      ReportUploadError(kUploadLocalFile, "transcode failed with " + std::to_string(result), "transcode", {}, "video");
    }
    return;
  }
  if (!remuxer_.finished()) {
    SendFileSize();
    return;
  }
  transcode_done_ = true;
  state_.muxed_bytes = remuxer_.committed_bytes();
  state_.record_complete = true;
  if (params_.need_upload_file) SaveState();
  size_reported_ms_ = 0;
  SendFileSize();
  SendTranscodeFinish(kTranscodeOk);
}

void RecordTask::UploadTurn() {
  if (!params_.need_upload_file || phase_ != UploadPhase::kUploading || transcode_result_ != kTranscodeOk) return;
  UploadError error = kUploadOk;
  if (!upload_) {
    upload_ = std::make_unique<MultipartUpload>(params_.output_file, &state_, settings_.upload, settings_.timeouts,
                                                &cancel_, this);
    upload_->SetGrant(auth_.video);
    // An object completed before the process died needs only its check.
    if (!state_.upload_complete) error = upload_->Start();
  }
  if (error == kUploadOk) {
    if (transcode_done_) {
      FinishUpload();
      return;
    }
    error = upload_->UploadReady(remuxer_.committed_bytes());
  }
  if (error == kUploadOk || cancel_) return;
  ReportUploadError(error, upload_->error_message(), upload_->failed_step(), upload_->last_failure(), "video");
  phase_ = UploadPhase::kFailed;
  upload_failed_ = true;
  upload_.reset();
}

void RecordTask::FinishUpload() {
  const int64_t started_ms = base::clock::SteadyMs();
  const uint64_t size = remuxer_.committed_bytes();
  const UploadError error = state_.upload_complete ? upload_->VerifyObject(size) : upload_->Finish(size);
  if (error != kUploadOk) {
    if (cancel_) return;
    ReportUploadError(error, upload_->error_message(), upload_->failed_step(), upload_->last_failure(), "video");
    phase_ = UploadPhase::kFailed;
    upload_failed_ = true;
    upload_.reset();
    return;
  }
  state_.upload_complete = true;
  SaveState();
  uploaded_bytes_ = size;
  ReportProgress();
  JsonValue complete = Base();
  complete.SetJsonObject("record_id", auth_.record_id);
  complete.SetJsonObject("file_id", "mp4");
  complete.SetJsonObject("mp4_file_path", params_.output_file);
  complete.SetJsonObject("mp4_file_size", size);
  complete.SetJsonObject("is_recovery_upload", params_.is_recovery_upload);
  sink_->Send("quick_record:upload_file_complete", complete);
  UploadCover();
  phase_ = UploadPhase::kComplete;

  JsonValue report = JsonValue::Object();
  report.SetJsonObject("instance_id", params_.instance_id);
  report.SetJsonObject("record_id", auth_.record_id);
  report.SetJsonObject("file_size", size);
  report.SetJsonObject("object_etag", upload_->object_etag());
  report.SetJsonObject("parts_sent", upload_->parts_sent());
  report.SetJsonObject("parts_kept", upload_->parts_kept());
  report.SetJsonObject("muxer_event_duration", remuxer_.duration_ms());
  report.SetJsonObject("finish_upload_ms", base::clock::SteadyMs() - started_ms);
  JsonValue event = JsonValue::Object();
  event.SetJsonObject("params", report);
  sink_->Send("quick_record::data_report", event);
}

void RecordTask::UploadCover() {
  const std::string path = params_.CoverPath();
  std::string content;
  if (!params_.upload_cover_file) return;
  if (path.empty() || !util::file::ReadFileToString(path, &content) || content.empty()) {
    KLOG(3) << "no cover to upload for " << params_.instance_id << " at " << path;
    return;
  }
  // A record started without a cover grant has no cover; that is no reason to upload again.
  if (!auth_.cover.CanWrite()) {
    KLOG(3) << "no cover grant for " << params_.instance_id << "; cover not uploaded";
    return;
  }
  CosClient client(settings_.timeouts, &cancel_);
  CosResponse response;
  for (int attempt = 0; attempt <= settings_.upload.retries; ++attempt) {
    response = client.PutObject(auth_.cover, content, "image/jpeg");
    if (!IsTransient(ClassifyCosFailure(response)) || cancel_) break;
  }
  const UploadError error = ClassifyCosFailure(response);
  if (error != kUploadOk || response.etag != Md5Hex(reinterpret_cast<const uint8_t*>(content.data()), content.size())) {
    ReportUploadError(error != kUploadOk ? error : kUploadVerifyFailed, "cover: " + DescribeCosFailure(response),
                      "cover", response, "cover");
    return;
  }
  JsonValue finished = Base();
  finished.SetJsonObject("record_id", auth_.record_id);
  finished.SetJsonObject("file_id", "cover");
  finished.SetJsonObject("mp4_file_path", path);
  finished.SetJsonObject("mp4_file_size", static_cast<uint64_t>(content.size()));
  finished.SetJsonObject("is_recovery_upload", params_.is_recovery_upload);
  sink_->Send("quick_record:upload_cover_file_finished", finished);
}

void RecordTask::ReportUploadError(int32_t code, const std::string& message, const std::string& phase,
                                   const CosResponse& cos, const std::string& upload_type) {
  KLOG(1) << "upload of " << params_.instance_id << " failed in " << phase << ": " << code << " " << message;
  JsonValue event = Base();
  event.SetJsonObject("error_code", code);
  event.SetJsonObject("error_msg", message);
  event.SetJsonObject("cos_error_code", static_cast<int64_t>(cos.http_status));
  event.SetJsonObject("cos_upload_result", cos.curl_code);
  event.SetJsonObject("cos_upload_current_state", static_cast<uint64_t>(state_.parts.size()));
  event.SetJsonObject("request_type", phase);
  event.SetJsonObject("network_break", code == kUploadNetwork);
  event.SetJsonObject("upload_type", upload_type);
  sink_->Send("quick_record:upload_file_error", event);
}

void RecordTask::SendTranscodeFinish(int32_t result) {
  KLOG(6) << "transcode of " << params_.instance_id << " finished: " << result << ", " << remuxer_.duration_ms() << " ms";
  JsonValue event = Base();
  event.SetJsonObject("result", result);
  event.SetJsonObject("muxer_event_duration", remuxer_.duration_ms());
  sink_->Send("quick_record:transcode_finish", event);
}

void RecordTask::SendFileSize() {
  const uint64_t size = remuxer_.committed_bytes();
  const int64_t now = base::clock::SteadyMs();
  if (size == reported_size_ || (size_reported_ms_ && now - size_reported_ms_ < kSizeEventIntervalMs)) return;
  reported_size_ = size;
  size_reported_ms_ = now;
  JsonValue event = Base();
  event.SetJsonObject("current_record_file_size", size);
  sink_->Send("quick_record:upload_record_file_size_changed", event);
}

void RecordTask::ReportProgress() {
  const uint64_t muxed = muxed_bytes_;
  const uint64_t uploaded = uploaded_bytes_;
  bool recording = false;
  std::string record_id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    recording = !record_complete_;
    record_id = record_id_;
  }
  JsonValue event = Base();
  event.SetJsonObject("record_id", record_id);
  event.SetJsonObject("progress_rate", muxed ? static_cast<int64_t>(std::min<uint64_t>(100, uploaded * 100 / muxed)) : 0);
  event.SetJsonObject("is_local_record", params_.is_local_record);
  // While the recording runs the total is unknown, so the rate is only a hint.
  event.SetJsonObject("need_deceit", recording);
  sink_->Send("quick_record:transcode_progress", event);
}

void RecordTask::OnPartStarted(int number) {
  JsonValue event = Base();
  event.SetJsonObject("block_file_id", std::to_string(number));
  event.SetJsonObject("block_file_path", params_.output_file);
  sink_->Send("quick_record:upload_file_start_upload_part", event);
}

void RecordTask::OnPartUploaded(const CosPart& part) {
  uploaded_bytes_ = state_.uploaded_bytes();
  JsonValue event = Base();
  event.SetJsonObject("record_id", auth_.record_id);
  event.SetJsonObject("file_id", std::to_string(part.number));
  event.SetJsonObject("file_path", params_.output_file);
  event.SetJsonObject("part_file_size", part.size);
  event.SetJsonObject("is_recovery_upload", params_.is_recovery_upload);
  sink_->Send("quick_record:upload_file_upload_subpart_finished", event);
  ReportProgress();
}

void RecordTask::SaveState() {
  state_.muxed_bytes = remuxer_.committed_bytes();
  UploadStateFile::Save(state_path_, state_);
}

}  // namespace qr_transcoder
