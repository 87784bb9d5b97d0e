#include "transcoder/local_upload_task.h"

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/util/file.h"
#include "transcoder/message_fields.h"
#include "transcoder/record_task_params.h"

namespace qr_transcoder {

using base::json::JsonValue;

std::optional<LocalUploadParams> LocalUploadParams::Parse(const JsonValue& json, std::string* problems) {
  MessageFields fields(json);
  LocalUploadParams p;
  p.instance_id = fields.Text("instance_id");
  p.local_file_path = fields.Text("local_file_path");
  p.record_id = fields.Text("record_id", false);
  p.segment_size = static_cast<uint64_t>(std::max<int64_t>(0, fields.Number("segment_size")));
  p.grant = ReadVideoGrant(fields, "video_auth_map");
  if (!fields.ok() || p.instance_id.empty() || p.local_file_path.empty()) {
    *problems = fields.ok() ? "empty instance_id or local_file_path" : fields.Problems();
    return std::nullopt;
  }
  return p;
}

LocalUploadTask::LocalUploadTask(LocalUploadParams params, TaskSettings settings, IEventSink* sink)
    : params_(std::move(params)),
      settings_(std::move(settings)),
      sink_(sink),
      state_path_(UploadStateFile::LocalPathFor(settings_.local_state_dir, params_.instance_id)) {
  // Another file under the same instance is another upload; the part size and object are
  // checked when the upload starts, the parts' bytes against the store's list.
  auto saved = UploadStateFile::Load(state_path_);
  if (saved && saved->instance_id == params_.instance_id &&
      saved->task["local_file_path"].AsString() == params_.local_file_path) {
    KLOG(6) << "local upload " << params_.instance_id << " goes on with upload " << saved->upload_id << " ("
            << saved->parts.size() << " parts saved)";
    state_ = std::move(*saved);
  }
  state_.instance_id = params_.instance_id;
  state_.task = JsonValue::Object();
  state_.task.SetJsonObject("local_file_path", params_.local_file_path);
}

LocalUploadTask::~LocalUploadTask() {
  cancel_ = true;
  Join();
}

JsonValue LocalUploadTask::Base() const {
  JsonValue event = JsonValue::Object();
  event.SetJsonObject("instance_id", params_.instance_id);
  event.SetJsonObject("local_file_path", params_.local_file_path);
  return event;
}

void LocalUploadTask::Join() {
  if (thread_.joinable()) thread_.join();
}

void LocalUploadTask::Start() {
  Join();
  cancel_ = false;
  done_ = false;
  thread_ = std::thread([this] { Run(); });
}

void LocalUploadTask::Pause() {
  cancel_ = true;
  Join();
  KLOG(6) << "local upload paused: " << params_.instance_id << " at " << state_.uploaded_bytes() << " bytes";
}

void LocalUploadTask::Resume(const LocalUploadParams& params) {
  Pause();
  params_ = params;
  Start();
}

void LocalUploadTask::Cancel() {
  Pause();
  UploadStateFile::Remove(state_path_);
  if (state_.upload_id.empty()) return;
  CosClient client(settings_.timeouts);
  client.Abort(params_.grant, state_.upload_id);
  state_.upload_id.clear();
}

void LocalUploadTask::Run() {
  total_size_ = static_cast<uint64_t>(std::max<int64_t>(0, util::file::GetFileLength(params_.local_file_path)));
  UploadPolicy policy = settings_.upload;
  policy.part_size = std::max(params_.segment_size, UploadPolicy::kMinPartSize);
  MultipartUpload upload(params_.local_file_path, &state_, policy, settings_.timeouts, &cancel_, this);
  upload.SetGrant(params_.grant);
  if (!util::file::IsFileExist(params_.local_file_path) || total_size_ == 0) {
    SendError(kUploadLocalFile, "no such file or empty: " + params_.local_file_path, {});
    done_ = true;
    return;
  }
  sink_->Send("quick_record:local_upload_started", Base());
  UploadError error = upload.Start();
  if (error == kUploadOk) error = upload.Finish(total_size_);
  if (cancel_) return;
  if (error != kUploadOk) {
    SendError(error, upload.error_message(), upload.last_failure());
  } else {
    UploadStateFile::Remove(state_path_);
    sink_->Send("quick_record:local_upload_complete", Base());
  }
  done_ = true;
}

void LocalUploadTask::OnStateChanged() { UploadStateFile::Save(state_path_, state_); }

void LocalUploadTask::OnPartUploaded(const CosPart&) {
  JsonValue event = Base();
  event.SetJsonObject("uploaded_file_size", state_.uploaded_bytes());
  event.SetJsonObject("total_file_size", total_size_);
  sink_->Send("quick_record:local_upload_progress", event);
}

void LocalUploadTask::SendError(int32_t code, const std::string& message, const CosResponse& cos) {
  KLOG(1) << "local upload of " << params_.local_file_path << " failed: " << code << " " << message;
  JsonValue event = Base();
  event.SetJsonObject("cos_url", params_.grant.url);
  event.SetJsonObject("error_code", code);
  event.SetJsonObject("error_msg", message);
  event.SetJsonObject("cos_error_code", static_cast<int64_t>(cos.http_status));
  event.SetJsonObject("cos_upload_result", cos.curl_code);
  sink_->Send("quick_record:local_upload_error", event);
}

}  // namespace qr_transcoder
