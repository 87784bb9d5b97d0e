#include "transcoder/transcoder_app.h"

#include "host/base/logging/logger.h"
#include "transcoder/message_fields.h"
#include "transcoder/transcode_result.h"
#include "transcoder/upload_state.h"

namespace qr_transcoder {

using base::json::JsonValue;

TranscoderApp::TranscoderApp(TaskSettings settings, DisconnectHandler on_disconnect)
    : settings_(settings),
      on_disconnect_(std::move(on_disconnect)),
      handlers_{
          {kovanisdk::bridge::TranscodeTaskMessage::kName, &TranscoderApp::StartTranscode},
          {"quick_record:upload_file_auth", &TranscoderApp::UploadFileAuth},
          {"quick_record:upload_file_recover_info", &TranscoderApp::RecoverUpload},
          {"quick_record:stop_transcode", &TranscoderApp::StopTranscode},
          {"quick_record:recording_finish", &TranscoderApp::RecordingFinish},
          {"quick_record:transcode_rate", &TranscoderApp::TranscodeRate},
          {"quick_record:init_network_config", &TranscoderApp::InitNetworkConfig},
          {"quick_record:local_start_upload", &TranscoderApp::LocalStart},
          {"quick_record:local_pause_upload", &TranscoderApp::LocalPause},
          {"quick_record:local_resume_upload", &TranscoderApp::LocalResume},
          {"quick_record:local_cancel_upload", &TranscoderApp::LocalCancel},
      } {}

TranscoderApp::~TranscoderApp() { Shutdown(); }

void TranscoderApp::Shutdown() {
  for (auto& [id, task] : tasks_) task->Shutdown();
  for (auto& [id, task] : local_tasks_) task->Pause();
  tasks_.clear();
  local_tasks_.clear();
}

void TranscoderApp::Send(const std::string& name, const JsonValue& fields) {
  KLOG(6) << "send " << name << ": " << fields.ToCompactString();
  auto* client = client_.load();
  if (!client || !client->Send(name, fields.ToStyledString())) KLOG(3) << "event not sent: " << name;
}

void TranscoderApp::OnBridgeMessage(const std::string& name, const std::string& text) {
  const auto handler = handlers_.find(name);
  if (handler == handlers_.end()) {
    KLOG(3) << "receive event:" << name << ", data:" << text;
    return;
  }
  const JsonValue json = JsonValue::Parse(text);
  if (!json.IsValid() || !json.IsObject()) {
    KLOG(1) << name << ": not a JSON object, ignored: " << text.substr(0, 200);
    return;
  }
  KLOG(6) << "receive " << name << ": " << json.ToCompactString();
  DropFinishedTasks();
  (this->*handler->second)(json);
}

void TranscoderApp::DropFinishedTasks() {
  std::erase_if(tasks_, [](const auto& entry) { return entry.second->done(); });
  std::erase_if(local_tasks_, [](const auto& entry) { return entry.second->done(); });
}

RecordTask* TranscoderApp::FindRunning(const std::string& instance_id) {
  const auto it = tasks_.find(instance_id);
  return it == tasks_.end() ? nullptr : it->second.get();
}

LocalUploadTask* TranscoderApp::FindLocal(const std::string& instance_id) {
  const auto it = local_tasks_.find(instance_id);
  return it == local_tasks_.end() ? nullptr : it->second.get();
}

void TranscoderApp::SendUploadError(const std::string& instance_id, int32_t code, const std::string& message) {
  KLOG(1) << instance_id << ": " << message;
  JsonValue event = JsonValue::Object();
  event.SetJsonObject("instance_id", instance_id);
  event.SetJsonObject("error_code", code);
  event.SetJsonObject("error_msg", message);
  event.SetJsonObject("cos_error_code", 0);
  event.SetJsonObject("cos_upload_result", 0);
  event.SetJsonObject("cos_upload_current_state", 0);
  event.SetJsonObject("request_type", "message");
  event.SetJsonObject("network_break", false);
  event.SetJsonObject("upload_type", "video");
  Send("quick_record:upload_file_error", event);
}

void TranscoderApp::SendTranscodeError(const std::string& instance_id, int32_t result) {
  JsonValue event = JsonValue::Object();
  event.SetJsonObject("instance_id", instance_id);
  event.SetJsonObject("result", result);
  event.SetJsonObject("muxer_event_duration", 0);
  Send("quick_record:transcode_finish", event);
}

void TranscoderApp::StartTranscode(const JsonValue& json) {
  std::string problems;
  auto params = RecordTaskParams::Parse(json, &problems);
  if (!params) {
    KLOG(1) << "start_transcode refused: " << problems;
    const std::string instance_id = json["instance_id"].AsString();
    if (!instance_id.empty()) SendTranscodeError(instance_id, kTranscodeInputBroken);
    return;
  }
  if (RecordTask* running = FindRunning(params->instance_id)) {
    if (!running->upload_failed()) {
      KLOG(3) << "transcode of " << params->instance_id << " already runs; start ignored";
      return;
    }
    // The module's fresh start after a failed upload: the old task makes way.
    running->Shutdown();
    tasks_.erase(params->instance_id);
  }
  // A recovery continues the upload the state file describes; any other start begins afresh.
  const std::string state_path = UploadStateFile::PathFor(params->output_file);
  std::optional<UploadState> state;
  if (params->is_recovery_upload) state = UploadStateFile::Load(state_path);
  if (state && state->instance_id != params->instance_id) state.reset();
  if (!state) UploadStateFile::Remove(state_path);
  auto task = std::make_unique<RecordTask>(std::move(*params), std::move(state), settings_, this);
  task->Start();
  tasks_[task->params().instance_id] = std::move(task);
}

std::optional<UploadAuth> TranscoderApp::ReadAuth(const JsonValue& json, const std::string& what) {
  std::string problems;
  auto auth = UploadAuth::Parse(json, &problems);
  if (auth) return auth;
  // Credentials that cannot be used are answered like refused ones: the module fetches new ones.
  const std::string instance_id = json["instance_id"].AsString();
  if (!instance_id.empty()) SendUploadError(instance_id, kUploadAuth, what + " refused: " + problems);
  else KLOG(1) << what << " refused: " << problems;
  return std::nullopt;
}

void TranscoderApp::UploadFileAuth(const JsonValue& json) {
  const auto auth = ReadAuth(json, "upload_file_auth");
  if (!auth) return;
  RecordTask* task = FindRunning(auth->instance_id);
  if (!task) {
    SendUploadError(auth->instance_id, kUploadRejected, "no transcode task for this instance");
    return;
  }
  task->SetAuth(*auth);
}

void TranscoderApp::RecoverUpload(const JsonValue& json) {
  const auto auth = ReadAuth(json, "upload_file_recover_info");
  if (!auth) return;
  if (RecordTask* task = FindRunning(auth->instance_id)) {
    task->SetAuth(*auth);
    return;
  }
  // After a restart the task is known only from the state file beside its output.
  MessageFields fields(json);
  const std::string output_file = fields.Text("output_file", false);
  auto state = output_file.empty() ? std::nullopt : UploadStateFile::Load(UploadStateFile::PathFor(output_file));
  std::string problems;
  std::optional<RecordTaskParams> params;
  if (state && state->instance_id == auth->instance_id) params = RecordTaskParams::Parse(state->task, &problems);
  if (!params) {
    SendUploadError(auth->instance_id, kUploadRejected, "no upload to recover for this instance");
    return;
  }
  params->is_recovery_upload = true;
  // No recording runs when an upload is recovered after a restart, unless the message says so.
  params->is_record_complete = fields.Flag("is_record_complete", true);
  auto task = std::make_unique<RecordTask>(std::move(*params), std::move(state), settings_, this);
  task->Start();
  task->SetAuth(*auth);
  tasks_[auth->instance_id] = std::move(task);
}

void TranscoderApp::StopTranscode(const JsonValue& json) {
  const std::string instance_id = json["instance_id"].AsString();
  if (RecordTask* task = FindRunning(instance_id)) {
    task->Stop();
  } else {
    KLOG(3) << "stop_transcode for unknown instance " << instance_id;
  }
}

void TranscoderApp::RecordingFinish(const JsonValue& json) {
  MessageFields fields(json);
  const std::string instance_id = fields.Text("instance_id");
  const int64_t duration = fields.Number("record_time_duration");
  RecordTask* task = FindRunning(instance_id);
  if (!task) {
    KLOG(3) << "recording_finish for unknown instance " << instance_id;
    return;
  }
  task->RecordingFinished(duration);
}

void TranscoderApp::TranscodeRate(const JsonValue&) {
  for (auto& [id, task] : tasks_) task->ReportProgress();
}

void TranscoderApp::InitNetworkConfig(const JsonValue& json) {
  // The object store speaks HTTP/1.1 only; the setting is kept in the log for diagnosis.
  KLOG(6) << "init config param: quic_enable=" << json["quic_enable"].AsBoolean()
          << ", quic_hosts=" << json["quic_hosts"].ToCompactString();
}

void TranscoderApp::LocalStart(const JsonValue& json) {
  std::string problems;
  auto params = LocalUploadParams::Parse(json, &problems);
  if (!params) {
    KLOG(1) << "local_start_upload refused: " << problems;
    return;
  }
  if (FindLocal(params->instance_id)) {
    KLOG(3) << "local upload " << params->instance_id << " already runs";
    return;
  }
  auto task = std::make_unique<LocalUploadTask>(*params, settings_, this);
  task->Start();
  local_tasks_[params->instance_id] = std::move(task);
}

void TranscoderApp::LocalPause(const JsonValue& json) {
  if (LocalUploadTask* task = FindLocal(json["instance_id"].AsString())) task->Pause();
}

void TranscoderApp::LocalResume(const JsonValue& json) {
  std::string problems;
  auto params = LocalUploadParams::Parse(json, &problems);
  if (!params) {
    KLOG(1) << "local_resume_upload refused: " << problems;
    return;
  }
  if (LocalUploadTask* task = FindLocal(params->instance_id)) {
    task->Resume(*params);
  } else {
    LocalStart(json);
  }
}

void TranscoderApp::LocalCancel(const JsonValue& json) {
  const std::string instance_id = json["instance_id"].AsString();
  if (LocalUploadTask* task = FindLocal(instance_id)) {
    task->Cancel();
    local_tasks_.erase(instance_id);
  }
}

}  // namespace qr_transcoder
