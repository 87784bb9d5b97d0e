#include "module/quick_record/transcode/quick_record_transcode_service.h"

#include <cstdlib>

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/base/memory/singleton_shared_allocator.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/config_service.h"
#include "host/util/crypto.h"
#include "module/quick_record/transcode/transcode_error_code_convert.h"

namespace quick_record {

using base::json::JsonValue;

namespace {

constexpr char kEventProcessStarted[] = "local_record:transcode_process_started";
constexpr char kEventTranscodeFinish[] = "quick_record:transcode_finish";
constexpr char kEventTranscodeProgress[] = "quick_record:transcode_progress";
constexpr char kEventFileSizeChanged[] = "quick_record:upload_record_file_size_changed";
constexpr char kEventSubpartFinished[] = "quick_record:upload_file_upload_subpart_finished";
constexpr char kEventUploadFileComplete[] = "quick_record:upload_file_complete";
constexpr char kEventCoverFileFinished[] = "quick_record:upload_cover_file_finished";
constexpr char kEventUploadFileError[] = "quick_record:upload_file_error";
constexpr char kEventStartUploadPart[] = "quick_record:upload_file_start_upload_part";
constexpr char kEventDataReport[] = "quick_record::data_report";
constexpr char kEventLocalUploadStarted[] = "quick_record:local_upload_started";
constexpr char kEventLocalUploadProgress[] = "quick_record:local_upload_progress";
constexpr char kEventLocalUploadComplete[] = "quick_record:local_upload_complete";
constexpr char kEventLocalUploadError[] = "quick_record:local_upload_error";

JsonValue AuthMap(const std::map<std::string, std::string>& grants) {
  JsonValue map = JsonValue::Object();
  for (const auto& [verb, grant] : grants) map.SetJsonObject(verb, grant);
  return map;
}

JsonValue AuthFields(const UploadAuthParams& params) {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("instance_id", params.instance_id);
  m.SetJsonObject("record_type", params.record_type);
  m.SetJsonObject("bucket_name", params.bucket_name);
  m.SetJsonObject("cos_key", params.cos_key);
  m.SetJsonObject("cos_url", params.cos_url);
  m.SetJsonObject("record_id", params.record_id);
  m.SetJsonObject("cover_cos_key", params.cover_cos_key);
  m.SetJsonObject("cover_session_token", params.cover_session_token);
  m.SetJsonObject("video_session_token", params.video_session_token);
  m.SetJsonObject("video_auth_info", AuthMap(params.video_auth_info));
  m.SetJsonObject("cover_auth_info", AuthMap(params.cover_auth_info));
  return m;
}

JsonValue LocalUploadFields(const LocalUploadParams& params) {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("instance_id", params.instance_id);
  m.SetJsonObject("local_file_path", params.local_file_path);
  m.SetJsonObject("bucket_name", params.bucket_name);
  m.SetJsonObject("cos_key", params.cos_key);
  m.SetJsonObject("cos_url", params.cos_url);
  m.SetJsonObject("record_id", params.record_id);
  m.SetJsonObject("video_session_token", params.video_session_token);
  m.SetJsonObject("video_auth_map", AuthMap(params.video_auth_map));
  m.SetJsonObject("segment_size", params.segment_size);
  return m;
}

JsonValue InstanceOnly(const std::string& instance_id) {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("instance_id", instance_id);
  return m;
}

// The process writes numbers and flags as JSON numbers and booleans, but older senders wrote
// texts; both are read.
int64_t IntField(const JsonValue& data, const char* key) {
  const JsonValue v = data[key];
  if (v.IsString()) return std::strtoll(v.AsString().c_str(), nullptr, 10);
  return v.AsInteger();
}

bool BoolField(const JsonValue& data, const char* key) {
  const JsonValue v = data[key];
  if (v.IsString()) return v.AsString() == "1" || v.AsString() == "true";
  if (v.IsInteger()) return v.AsInteger() != 0;
  return v.AsBoolean();
}

std::string TextField(const JsonValue& data, const char* key) {
  const JsonValue v = data[key];
  return v.IsString() ? v.AsString() : (v.IsNumeric() ? std::to_string(v.AsInteger()) : std::string());
}

std::shared_ptr<kovanisdk::ITranscodeProcessStatus> QueryProcessStatus() {
  std::shared_ptr<kovanisdk::ITranscodeProcessStatus> status;
  kovanisdk::plugin::QueryPluginInterface(kovanisdk::ITranscodeProcessStatus::kModuleId,
                                          kovanisdk::ITranscodeProcessStatus::kInterfaceName, &status);
  return status;
}

}  // namespace

QuickRecordTranscodeService::QuickRecordTranscodeService()
    : QuickRecordTranscodeService(kovanisdk::utils::service::GetBridgeIPCService(), QueryProcessStatus()) {}

QuickRecordTranscodeService::QuickRecordTranscodeService(
    std::shared_ptr<kovanisdk::IBridgeIPCService> bridge,
    std::shared_ptr<kovanisdk::ITranscodeProcessStatus> process_status)
    : bridge_(std::move(bridge)),
      process_status_(std::move(process_status)),
      program_path_(kovani_common::utils::record::GetTranscodeExecuteFilePath()),
      target_name_(kovani_common::utils::record::GetTranscodeTargetName()),
      subscriber_id_(framework::NewSubscriberId()) {
  if (bridge_) {
    bridge_->RegisterEventDelegate(this, EventNames());
  } else {
    KLOG(1) << "IPC service Pointer is null";
  }
  if (auto config = framework::module::GetAppModuleModel(host::app::kConfigModelId)) {
    config_model_ = config;
    config->Subscribe(host::app::kConfigChangedEvent, subscriber_id_, [this](int32_t, const base::variant::Variant& args) {
      if (args.GetString("section") == "realtime") OnRealtimeConfigureChange();
    });
  }
}

QuickRecordTranscodeService::~QuickRecordTranscodeService() {
  if (auto config = config_model_.lock()) config->Unsubscribe(subscriber_id_);
  if (bridge_) bridge_->UnregisterEventDelegate(this);
}

std::shared_ptr<QuickRecordTranscodeService> QuickRecordTranscodeService::GetInstance() {
  return base::SingletonSharedAllocator<QuickRecordTranscodeService>::Get();
}

std::vector<std::string> QuickRecordTranscodeService::EventNames() {
  return {kEventProcessStarted,    kEventTranscodeFinish,    kEventTranscodeProgress,  kEventFileSizeChanged,    kEventSubpartFinished,
          kEventUploadFileComplete, kEventCoverFileFinished, kEventUploadFileError,    kEventStartUploadPart,    kEventDataReport,
          kEventLocalUploadStarted, kEventLocalUploadProgress, kEventLocalUploadComplete, kEventLocalUploadError};
}

void QuickRecordTranscodeService::StartTranscode(const std::string& step, std::function<void()> action) {
  KLOG(6) << "StartTranscode" << step;
  if (state_ == kStarting) {
    KLOG(6) << "transcode process is starting, wait";
    pending_actions_.push_back(std::move(action));
    return;
  }
  if (state_ == kStarted) {
    KLOG(6) << "transcode process already exist";
    action();
    return;
  }
  KLOG(6) << "start transcode process";
  if (IsProcessRunning()) {
    KLOG(6) << "transcode process already exist";
    state_ = kStarted;
    action();
    return;
  }
  KLOG(6) << "start transcode process real";
  state_ = kStarting;
  pending_actions_.push_back(std::move(action));
  CreateProcess();
}

void QuickRecordTranscodeService::CreateProcess() {
  const std::string uid = util::crypto::Encode64(kovani_common::utils::GetSelfAppUid());
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("--originalcmd", "--shell=\"" + program_path_ + "\" --uid=" + uid);
  m.SetJsonObject("--shell", program_path_);
  m.SetJsonObject("--target", target_name_);
  m.SetJsonObject("--detach", "0");
  m.SetJsonObject("--anrtimeout", "50000");
  m.SetJsonObject("--pid", "");
  SendJson(kovanisdk::IBridgeIPCService::kCreateSubprocessMessage, m);
  KLOG(6) << "create process, wait connect";
  create_timer_ = base::threading::CreateTimer([this] { OnCreateTimeout(); }, FROM_HERE);
  create_timer_->Start(kCreateTimeoutMs, false);
}

void QuickRecordTranscodeService::OnTranscodeProcessStarted() {
  if (state_ != kStarting) {
    KLOG(3) << "Process state is not starting: " << state_;
    return;
  }
  state_ = kStarted;
  create_timer_.reset();
  KLOG(6) << "process created : " << target_name_;
  SendNetworkConfig();
  if (transcode_delegate_) transcode_delegate_->OnTranscodeStarted("");
  if (local_upload_delegate_) local_upload_delegate_->OnSubprocessStarted();
  // An action may start more work; anything it queues belongs to a later start.
  auto actions = std::move(pending_actions_);
  pending_actions_.clear();
  for (auto& action : actions) action();
}

void QuickRecordTranscodeService::OnCreateTimeout() {
  if (state_ != kStarting) return;
  KLOG(1) << "failed, create timeout";
  state_ = kFailed;
  create_timer_.reset();
  // The waiting work is failed through the receivers; running it later against a process that
  // never came would only fail again.
  pending_actions_.clear();
  if (transcode_delegate_) transcode_delegate_->OnTranscodeProcessCreateTimeout();
  if (local_upload_delegate_) local_upload_delegate_->OnSubprocessCreateTimeout();
}

bool QuickRecordTranscodeService::IsTranscodeTarget(const JsonValue& reply) const {
  return reply["target"].AsString() == target_name_;
}

void QuickRecordTranscodeService::OnSubprocessCreate(const std::string& result) {
  const JsonValue reply = JsonValue::Parse(result);
  if (!reply.IsValid() || !reply.IsObject()) {
    KLOG(1) << "parse resp json failed";
    return;
  }
  if (!IsTranscodeTarget(reply)) return;
  const int32_t error_code = static_cast<int32_t>(IntField(reply, "errorcode"));
  if (error_code == 0) return;
  KLOG(1) << "transcode create, error_code=" << error_code;
  state_ = kFailed;
  create_timer_.reset();
  pending_actions_.clear();
  if (transcode_delegate_) transcode_delegate_->OnTranscodeProcessCreateFailed(error_code);
  if (local_upload_delegate_) local_upload_delegate_->OnSubprocessCreateFailed(error_code);
}

void QuickRecordTranscodeService::OnSubprocessExit(const std::string& result) {
  const JsonValue reply = JsonValue::Parse(result);
  if (!reply.IsValid() || !IsTranscodeTarget(reply)) return;
  KLOG(3) << "transcode exit " << result;
  // The next StartTranscode creates a new process.
  state_ = kNotStarted;
  create_timer_.reset();
  pending_actions_.clear();
  if (transcode_delegate_) transcode_delegate_->OnTranscodeProcessExit();
  if (local_upload_delegate_) local_upload_delegate_->OnSubprocessExit();
}

void QuickRecordTranscodeService::OnBridgeIPCEvent(const std::string& name, const std::string& data) {
  if (name == kEventProcessStarted) {
    OnTranscodeProcessStarted();
    return;
  }
  const JsonValue json = JsonValue::Parse(data);
  if (name.rfind("quick_record:local_", 0) == 0) {
    DispatchLocalUploadEvent(name, json);
  } else {
    DispatchTranscodeEvent(name, json);
  }
}

void QuickRecordTranscodeService::DispatchTranscodeEvent(const std::string& name, const JsonValue& data) {
  IQuickRecordTranscodeDelegate* d = transcode_delegate_;
  const std::string instance_id = TextField(data, "instance_id");
  if (name == kEventTranscodeFinish) {
    if (d) d->OnTranscodeFinish(instance_id, TranscodeErrorCodeConvert(static_cast<int32_t>(IntField(data, "result"))),
                                IntField(data, "muxer_event_duration"));
  } else if (name == kEventTranscodeProgress) {
    if (d) d->OnTranscodeProgress(instance_id, TextField(data, "record_id"), data["progress_rate"].AsReal(),
                                  BoolField(data, "is_local_record"), BoolField(data, "need_deceit"));
  } else if (name == kEventFileSizeChanged) {
    if (d) d->OnTranscodeRecordFileSizeChanged(instance_id, IntField(data, "current_record_file_size"));
  } else if (name == kEventSubpartFinished || name == kEventUploadFileComplete || name == kEventCoverFileFinished) {
    TranscodeUploadFileInfo info;
    info.kind = name == kEventSubpartFinished ? kUploadFilePartFinished
                                         : (name == kEventUploadFileComplete ? kUploadFileComplete : kUploadCoverFileFinished);
    info.instance_id = instance_id;
    info.record_id = TextField(data, "record_id");
    info.file_id = TextField(data, "file_id");
    const bool part = name == kEventSubpartFinished;
    info.file_path = TextField(data, part ? "file_path" : "mp4_file_path");
    info.file_size = IntField(data, part ? "part_file_size" : "mp4_file_size");
    info.is_recovery_upload = BoolField(data, "is_recovery_upload");
    if (d) d->OnTransocdeUploadFileFinished(info);
  } else if (name == kEventUploadFileError) {
    TranscodeUploadError error;
    error.instance_id = instance_id;
    error.error_code = static_cast<int32_t>(IntField(data, "error_code"));
    error.error_msg = TextField(data, "error_msg");
    error.cos_error_code = static_cast<int32_t>(IntField(data, "cos_error_code"));
    error.cos_upload_result = static_cast<int32_t>(IntField(data, "cos_upload_result"));
    error.cos_upload_current_state = IntField(data, "cos_upload_current_state");
    error.request_type = TextField(data, "request_type");
    error.network_break = BoolField(data, "network_break");
    error.upload_type = TextField(data, "upload_type");
    if (d) d->OnTranscodeUploadFileFailed(error);
  } else if (name == kEventStartUploadPart) {
    if (d) d->OnTranscodeStartUploadPart(instance_id, TextField(data, "block_file_id"), TextField(data, "block_file_path"));
  } else if (name == kEventDataReport) {
    if (d) d->OnTranscodeDataReport(data["params"]);
  } else {
    KLOG(4) << "receive event:" << name << ", data:" << data.ToCompactString();
  }
}

void QuickRecordTranscodeService::DispatchLocalUploadEvent(const std::string& name, const JsonValue& data) {
  ILocalUploadProcessDelegate* d = local_upload_delegate_;
  const std::string instance_id = TextField(data, "instance_id");
  const std::string path = TextField(data, "local_file_path");
  if (name == kEventLocalUploadStarted) {
    if (d) d->OnLocalUploadStarted(instance_id, path);
  } else if (name == kEventLocalUploadProgress) {
    if (d) d->OnLocalUploadProgress(instance_id, path, IntField(data, "uploaded_file_size"), IntField(data, "total_file_size"));
  } else if (name == kEventLocalUploadComplete) {
    if (d) d->OnLocalUploadComplete(instance_id, path);
  } else if (name == kEventLocalUploadError) {
    if (d)
      d->OnLocalUploadError(instance_id, path, TextField(data, "cos_url"), static_cast<int32_t>(IntField(data, "error_code")),
                            TextField(data, "error_msg"), static_cast<int32_t>(IntField(data, "cos_error_code")),
                            static_cast<int32_t>(IntField(data, "cos_upload_result")));
  } else {
    KLOG(4) << "receive event:" << name << ", data:" << data.ToCompactString();
  }
}

int QuickRecordTranscodeService::SendTranscodeParams(const TranscodeTaskMessage& params) {
  return SendJson(TranscodeTaskMessage::kName, params.ToJson());
}

bool QuickRecordTranscodeService::NotifyUploadFileAuthInfo(const UploadAuthParams& params) {
  if (state_ != kStarted) {
    KLOG(3) << "state is not prepare, state_ = " << state_;
    return false;
  }
  KLOG(6) << "auth_params->full_path:" << params.full_path;
  return SendJson("quick_record:upload_file_auth", AuthFields(params)) == kovanisdk::IBridgeIPCService::kOk;
}

int QuickRecordTranscodeService::NotifyRecoverUploadFileInfo(const UploadAuthParams& params) {
  JsonValue m = AuthFields(params);
  m.SetJsonObject("output_file", params.output_file);
  return SendJson("quick_record:upload_file_recover_info", m);
}

int QuickRecordTranscodeService::StopTranscode(const std::string& instance_id) {
  return SendJson("quick_record:stop_transcode", InstanceOnly(instance_id));
}

int QuickRecordTranscodeService::NotifyRecordingFinish(const std::string& instance_id, int64_t record_time_duration) {
  JsonValue m = InstanceOnly(instance_id);
  m.SetJsonObject("record_time_duration", record_time_duration);
  return SendJson("quick_record:recording_finish", m);
}

int QuickRecordTranscodeService::RequestTranscodeRate() {
  return SendJson("quick_record:transcode_rate", JsonValue::Object());
}

bool QuickRecordTranscodeService::LocalUploadStart(const LocalUploadParams& params) {
  if (state_ != kStarted) {
    KLOG(3) << "state is not prepare, state_ = " << state_;
    return false;
  }
  return SendJson("quick_record:local_start_upload", LocalUploadFields(params)) == kovanisdk::IBridgeIPCService::kOk;
}

int QuickRecordTranscodeService::LocalUploadPause(const std::string& instance_id) {
  return SendJson("quick_record:local_pause_upload", InstanceOnly(instance_id));
}

int QuickRecordTranscodeService::LocalUploadResume(const LocalUploadParams& params) {
  return SendJson("quick_record:local_resume_upload", LocalUploadFields(params));
}

int QuickRecordTranscodeService::LocalUploadCancel(const std::string& instance_id) {
  return SendJson("quick_record:local_cancel_upload", InstanceOnly(instance_id));
}

bool QuickRecordTranscodeService::IsProcessRunning() {
  return process_status_ && process_status_->IsTranscodeProcessRunning();
}

bool QuickRecordTranscodeService::EndProcessTranscode() {
  KLOG(6) << "end transcode process, state: " << state_;
  return process_status_ && process_status_->EndTranscodeProcess();
}

void QuickRecordTranscodeService::OnRealtimeConfigureChange() {
  if (state_ == kStarted) SendNetworkConfig();
}

void QuickRecordTranscodeService::SendNetworkConfig() {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("quic_enable", kovanisdk::utils::config::GetBool("realtime", "http_quic_enable", false));
  m.SetJsonObject("quic_hosts", kovanisdk::utils::config::GetString("realtime", "http_quic_hosts", ""));
  KLOG(6) << "init config param:" << m.ToCompactString();
  SendJson("quick_record:init_network_config", m);
}

int QuickRecordTranscodeService::SendJson(const std::string& name, const JsonValue& fields) {
  return SendIPCMessageToPeer(name, fields.ToStyledString());
}

int QuickRecordTranscodeService::SendIPCMessageToPeer(const std::string& name, const std::string& text) {
  KLOG(6) << "sending name: " << name;
  if (!bridge_) {
    KLOG(1) << "IPC service Pointer is null";
    return kovanisdk::IBridgeIPCService::kUnavailable;
  }
  const int code = bridge_->SendIPCMessage(name, text);
  if (code != kovanisdk::IBridgeIPCService::kOk) KLOG(1) << "Send ipc message failed,code :" << code;
  return code;
}

}  // namespace quick_record
