#include "module/quick_record/upload/quick_record_upload_model.h"

#include <algorithm>
#include <utility>

#include "host/app/host_model_ids.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/config_service.h"
#include "host/sdk/utils/user_config.h"
#include "host/util/crypto.h"
#include "host/util/file.h"
#include "module/quick_record/cloud/i_quick_record_delegate.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/upload/upload_analytics.h"

namespace quick_record {

using base::json::JsonValue;
using base::variant::Variant;

namespace {

constexpr char kCoverEnding[] = ".kovtc";

std::string IndexFile(const std::string& stream) {
  // Newer recorders write "<stream>.idx"; older ones "<stream>idx".
  return util::file::IsFileExist(stream + ".idx") ? stream + ".idx" : stream + "idx";
}

std::string OutputFile(const std::string& full_path) { return full_path + ".mp4"; }

std::string UploadStateFile(const std::string& full_path) { return OutputFile(full_path) + ".upload"; }

Variant ItemList(const std::vector<UploadingItem>& items, bool uploaded_only) {
  Variant list = Variant::MakeArray();
  for (const auto& item : items) {
    if (!uploaded_only || item.upload_status == kUploadStatusUploaded) list.Add(item.ToVariant());
  }
  return list;
}

}  // namespace

QuickRecordUploadModel::QuickRecordUploadModel()
    : QuickRecordUploadModel(Dependencies{nullptr, QuickRecordTranscodeService::GetInstance(), nullptr, nullptr, nullptr}) {}

QuickRecordUploadModel::QuickRecordUploadModel(Dependencies deps)
    : framework::ModelImpl(model_id::kQuickRecordUploadModel),
      deps_(std::move(deps)),
      dao_([service = deps_.data_service] { return service ? service : ModuleLocalRecordDataService(); }),
      subscriber_id_(framework::NewSubscriberId()) {
  BindMethods();
}

QuickRecordUploadModel::~QuickRecordUploadModel() {
  if (deps_.transcode) deps_.transcode->SetTranscodeDelegate(nullptr);
}

void QuickRecordUploadModel::Init() {
  framework::ModelImpl::Init();
  if (deps_.transcode) deps_.transcode->SetTranscodeDelegate(this);
  last_app_uid_ = kovani_common::utils::GetSelfAppUid();
  SubscribeSession();
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  start_up_timer_ = base::threading::CreateTimer(
      [weak] {
        if (auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock())) self->InitTranscodeUploadTasks();
      },
      FROM_HERE);
  start_up_timer_->Start(kStartUpRecoveryDelayMs, false);
}

void QuickRecordUploadModel::UnInit() {
  for (const auto& weak : {session_model_, recorder_model_, auth_model_}) {
    if (auto model = weak.lock()) model->Unsubscribe(subscriber_id_);
  }
  retry_timer_.reset();
  kill_process_timer_.reset();
  start_up_timer_.reset();
  if (deps_.transcode) deps_.transcode->SetTranscodeDelegate(nullptr);
  framework::ModelImpl::UnInit();
}

void QuickRecordUploadModel::SubscribeSession() {
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordUploadModel>(weak.lock()); };
  if (auto recorder = ModuleModelOf(model_id::kQuickRecordRecorderModel)) {
    recorder_model_ = recorder;
    recorder->Subscribe(QuickRecordRecorderModel::kEventRecordStarted, subscriber_id_, [self_of](int32_t, const Variant& p) {
      if (auto self = self_of()) self->OnEventQuickRecordStarted(p);
    });
  }
  if (auto session = ModuleModelOf(model_id::kQuickRecordModel)) {
    session_model_ = session;
    session->Subscribe(QuickRecordModel::kEventRecordComplete, subscriber_id_, [self_of](int32_t, const Variant&) {
      if (auto self = self_of()) self->OnEventQuickRecordComplete();
    });
    session->Subscribe(QuickRecordModel::kEventStartRequested, subscriber_id_, [self_of](int32_t, const Variant& p) {
      if (auto self = self_of()) self->OnEventQuickRecordStartRequested(p);
    });
    session->Subscribe(QuickRecordModel::kEventRecordCancelled, subscriber_id_, [self_of](int32_t, const Variant&) {
      if (auto self = self_of()) self->OnEventQuickRecordCancelled();
    });
  }
  if (auto auth = framework::module::GetAppModuleModel(host::app::kAuthModelId)) {
    auth_model_ = auth;
    auth->Subscribe(host::app::kAuthStateChangedEvent, subscriber_id_, [self_of](int32_t, const Variant&) {
      if (auto self = self_of()) self->OnEventAuthorizeStateUpdate();
    });
  }
}

void QuickRecordUploadModel::BindMethods() {
  BindMethod(kInvokeGetTotalUploadStatus, [this](const Variant&, Variant* result) {
    if (result) *result = TotalUploadStatus();
    return true;
  });
  BindMethod(kInvokeGetUploadingList, [this](const Variant&, Variant* result) {
    if (result) *result = ItemList(dao_.items(), false);
    return true;
  });
  BindMethod(kInvokeGetCacheUploadedList, [this](const Variant&, Variant* result) {
    if (result) *result = ItemList(dao_.items(), true);
    return true;
  });
  BindMethod(kInvokeGetQuickRecordWebUrl, [this](const Variant& args, Variant* result) {
    const UploadingItem* item = dao_.GetUploadingItemById(args.AsString());
    if (result) *result = item ? item->jump_url : std::string();
    return true;
  });
  BindMethod(kInvokeCancelUpload, [this](const Variant& args, Variant* result) {
    const bool ok = InvokeCancelUpload(args.AsString());
    if (result) *result = ok;
    return true;
  });
  BindMethod(kInvokeResumeUpload, [this](const Variant& args, Variant* result) {
    const bool ok = InvokeResumeUpload(args.AsString());
    if (result) *result = ok;
    return true;
  });
  BindMethod(kInvokeGetCurrentRecordInfo, [this](const Variant&, Variant* result) {
    const UploadingItem* item = dao_.GetUploadingItemById(current_instance_id_);
    if (result) *result = item ? item->ToVariant() : Variant();
    return true;
  });
  BindMethod(kInvokeRequestServerCancelRecord, [this](const Variant& args, Variant* result) {
    const bool ok = InvokeRequestServerCancelRecord(args.IsMap() ? args.GetString("record_id") : args.AsString());
    if (result) *result = ok;
    return true;
  });
  BindMethod(kInvokeResumeAllTask, [this](const Variant&, Variant*) {
    CheckReStartAllFailedTask();
    return true;
  });
}

std::shared_ptr<QuickRecordServicePlugin> QuickRecordUploadModel::Cloud() {
  if (!deps_.cloud) kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kServicePluginName, &deps_.cloud);
  return deps_.cloud;
}

std::shared_ptr<IQuickRecorder> QuickRecordUploadModel::Recorder() {
  if (!recorder_) kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder_);
  return recorder_;
}

std::vector<std::string> QuickRecordUploadModel::BasePaths() {
  if (deps_.base_paths) return deps_.base_paths();
  std::vector<std::string> paths;
  if (auto recorder = Recorder()) recorder->GetBasePaths(&paths);
  return paths;
}

int64_t QuickRecordUploadModel::RecordedDuration() {
  if (deps_.recorded_duration) return deps_.recorded_duration();
  auto recorder = Recorder();
  return recorder ? recorder->GetRecordedDuration() : 0;
}

TranscodeTaskMessage QuickRecordUploadModel::MakeTranscodeParams(const UploadingItem& item) {
  const std::string& p = item.full_path;
  TranscodeTaskMessage params;
  params.instance_id = item.instance_id;
  params.in_video_file = p + ".kovtv";
  params.in_video_index_file = IndexFile(p + ".kovtv");
  params.in_audio_file = p + ".kovta";
  params.in_audio_index_file = IndexFile(p + ".kovta");
  params.output_file = OutputFile(p);
  params.is_record_complete = item.is_record_complete;
  params.transcoding_threshold =
      kovanisdk::utils::config::GetValue("record-transcode", "transcoding-threshold", 50).AsInt64(50);
  params.record_time_duration = item.record_time_duration;
  params.is_recovery_upload = item.is_recovery_upload;
  return params;
}

// ---- session events ----

void QuickRecordUploadModel::OnEventQuickRecordStartRequested(const Variant& payload) {
  // The session fires the same event again with the record id of the answer.
  if (payload.IsMap() && payload.Size() > 0) return;
  auto cloud = Cloud();
  if (!cloud) {
    KLOG(1) << "param is null!";
    return;
  }
  requested_instance_id_ = util::crypto::Random(32);
  const JsonValue info = JsonValue::Parse(kovanisdk::utils::user_config::GetString(kTranscodeInfoKey));
  auto start = std::make_shared<QuickRecordStartRecordInfo>();
  start->subject = info["subject"].AsString();
  start->record_start_time = info["record_start_time"].AsString();
  start->creator_instance_id = requested_instance_id_;
  auth_in_flight_.insert(requested_instance_id_);
  KLOG(6) << "do request auth data: " << requested_instance_id_;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  cloud->RequestStartRecord(requested_instance_id_, start, false,
                            [weak](const std::string& id, int32_t status_code, const std::string&, int64_t biz_code,
                                   const std::shared_ptr<QuickRecordStartRecordResult>& result) {
                              if (auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock()))
                                self->OnUploadAuthResponse(id, status_code, biz_code, result);
                            });
}

void QuickRecordUploadModel::OnEventQuickRecordStarted(const Variant& payload) {
  KLOG(6) << "quick record started.";
  // The recorder reports a resume the same way; the item was made at the first start.
  if (!current_instance_id_.empty()) return;
  const std::vector<std::string> save_paths = BasePaths();
  if (save_paths.empty()) {
    KLOG(1) << "save_paths is empty!";
    return;
  }
  const JsonValue info = JsonValue::Parse(kovanisdk::utils::user_config::GetString(kTranscodeInfoKey));
  UploadingItem item;
  kovani_common::utils::GetPersonalAppIdAndAppUid(&item.app_id, &item.app_uid);
  item.instance_id = requested_instance_id_.empty() ? util::crypto::Random(32) : requested_instance_id_;
  requested_instance_id_.clear();
  item.title = info["subject"].AsString();
  item.start_record_time = std::strtoll(info["record_start_time"].AsString().c_str(), nullptr, 10);
  if (item.start_record_time == 0) item.start_record_time = base::clock::WallMs();
  // The recorder lists every recording it made since it was last cleared; the new one is last.
  item.full_path = save_paths.back();
  item.cover_uri = item.full_path + kCoverEnding;
  item.width = payload.GetInt64("width");
  item.height = payload.GetInt64("height");
  item.is_window_capture = payload.GetBool("is_window_capture");
  item.record_flag = payload.GetInt64("record_flag");
  item.upload_status = kUploadStatusUploading;
  item.retry_action = kRetryFreshStart;
  if (auto cached = auth_cache_.find(item.instance_id); cached != auth_cache_.end()) {
    item.record_id = cached->second->record_id;
    item.jump_url = cached->second->jump_url;
  }
  dao_.InsertUploadingItem(item);
  KLOG(6) << "insert new uploading item: " << item.instance_id << ", full_path: " << item.full_path;
  current_instance_id_ = item.instance_id;
  RequestUploadAuthParams(item.instance_id);
  QueueTask(item.instance_id);
  ScheduleTranscodeUpload();
}

void QuickRecordUploadModel::OnEventQuickRecordComplete() {
  const std::string instance_id = current_instance_id_;
  current_instance_id_.clear();
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) {
    KLOG(3) << "param is null!";
    return;
  }
  item->is_record_complete = true;
  item->end_record_time = base::clock::WallMs();
  item->record_time_duration = RecordedDuration();
  dao_.UpdateUploadingItem(*item);
  FireEvent(kFireDataRecordTimeDurationUpdate,
            Variant::MakeMap().Set("k_instance_id", instance_id).Set("k_record_time_duration", item->record_time_duration));
  const std::string video = item->full_path + ".kovtv";
  if (util::file::GetFileLength(video) <= 0) {
    KLOG(3) << "video file is empty. delete it.";
    DeleteRecording(instance_id);
    return;
  }
  // The bar stops the recorder only after the finish; a camera-only recording's cover, taken at
  // that stop, would come too late for the transcoder's last step.
  if (auto recorder = Recorder()) recorder->CheckNeedSaveCoverForCameraMode();
  if (in_process_.count(instance_id)) {
    KLOG(6) << "notify record finish: " << instance_id;
    deps_.transcode->NotifyRecordingFinish(instance_id, item->record_time_duration);
  }
  StartKillProcessTimer();
  if (item->upload_status == kUploadStatusFailed) {
    KLOG(6) << "restart failed task when RecordComplete";
    QueueTask(instance_id);
    ScheduleTranscodeUpload();
  }
}

void QuickRecordUploadModel::OnEventQuickRecordCancelled() {
  // A grant that is still on its way finds no recording to wait for.
  auth_cache_.erase(requested_instance_id_);
  requested_instance_id_.clear();
  const std::string instance_id = current_instance_id_;
  current_instance_id_.clear();
  if (instance_id.empty()) return;
  KLOG(6) << "quick record cancelled, delete uploading item: " << instance_id;
  DeleteRecording(instance_id);
}

void QuickRecordUploadModel::OnEventAuthorizeStateUpdate() {
  const std::string current = kovani_common::utils::GetSelfAppUid();
  if (current.empty() || current == last_app_uid_) return;
  KLOG(6) << "user login";
  KLOG(6) << "last app_uid: " << last_app_uid_ << ", current app_uid: " << current;
  KLOG(6) << "relogin";
  last_app_uid_ = current;
  // The other user's work stops here; their items wait in the database for their next sign-in.
  for (const auto& id : running_) deps_.transcode->StopTranscode(id);
  running_.clear();
  ready_.clear();
  auth_in_flight_.clear();
  auth_cache_.clear();
  retry_table_ = UploadRetryTable();
  retry_timer_.reset();
  current_instance_id_.clear();
  dao_.Clear();
  InitTranscodeUploadTasks();
}

// ---- start-up ----

void QuickRecordUploadModel::InitTranscodeUploadTasks() {
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  dao_.Load([weak](const std::vector<UploadingItem>&) {
    auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock());
    if (!self) return;
    // The process that knew the failed tasks of the last run is gone: only a fresh start can
    // pick them up.
    self->MakeFailureTasksFreshStart();
    std::vector<UploadingItem> changed;
    for (auto& item : self->dao_.items()) {
      if (self->IsTaskOfThisRun(item.instance_id)) continue;
      KLOG(6) << "uploading item from config: " << item.instance_id << ", status: " << item.upload_status;
      if (item.upload_status == kUploadStatusUploaded) {
        KLOG(6) << "it is a finish task. currently do not delete it.";
        continue;
      }
      if (!item.is_record_complete) {
        KLOG(6) << "make it record complete.";
        item.is_record_complete = true;
      }
      // An upload cut off by the end of the last run starts over; the transcoder picks its upload
      // state up again, so the parts already sent are kept.
      if (item.upload_status == kUploadStatusUploading || item.retry_action == kRetryNone) {
        KLOG(6) << "make it RETRY_FRESH_START";
        item.retry_action = kRetryFreshStart;
        item.is_recovery_upload = util::file::IsFileExist(UploadStateFile(item.full_path));
      }
      changed.push_back(item);
      KLOG(6) << "add to ready transcode task";
      self->ready_.push_back(item.instance_id);
    }
    self->dao_.UpdateUploadingItemList(changed);
    self->CheckHistoryFailedTask();
    self->FireTotalUploadStatus();
    self->ScheduleTranscodeUpload();
  });
}

void QuickRecordUploadModel::CheckHistoryFailedTask() {
  const Variant flag = kovanisdk::utils::user_config::GetValue(kTranscodeErrorFlagKey, false);
  if (!flag.AsBool(false)) return;
  kovanisdk::utils::user_config::SetValue(kTranscodeErrorFlagKey, false);
  KLOG(6) << "need RecordRecoveryUpload";
  const std::string content = kovanisdk::utils::user_config::GetString(kTranscodeInfoKey);
  if (content.empty()) {
    KLOG(3) << "save_params_content is empty";
    return;
  }
  const JsonValue info = JsonValue::Parse(content);
  UploadingItem item;
  kovani_common::utils::GetPersonalAppIdAndAppUid(&item.app_id, &item.app_uid);
  item.instance_id = util::crypto::Random(32);
  item.record_id = info["record_id"].AsString();
  item.full_path = info["full_path"].AsString();
  item.title = info["subject"].AsString();
  item.start_record_time = std::strtoll(info["record_start_time"].AsString().c_str(), nullptr, 10);
  item.cover_uri = item.full_path + kCoverEnding;
  item.is_record_complete = true;
  item.is_recovery_upload = true;
  item.retry_action = kRetryFreshStart;
  if (item.full_path.empty() || dao_.GetUploadingItemById(item.instance_id)) return;
  dao_.InsertUploadingItem(item);
  KLOG(6) << "insert recovery task: " << item.instance_id;
  ready_.push_back(item.instance_id);
}

// ---- scheduling ----

void QuickRecordUploadModel::QueueTask(const std::string& instance_id) {
  if (std::find(ready_.begin(), ready_.end(), instance_id) == ready_.end()) ready_.push_back(instance_id);
}

bool QuickRecordUploadModel::IsTaskOfThisRun(const std::string& instance_id) const {
  return instance_id == current_instance_id_ || IsRunning(instance_id) || in_process_.count(instance_id) > 0 ||
         retry_table_.Contains(instance_id) || std::find(ready_.begin(), ready_.end(), instance_id) != ready_.end();
}

bool QuickRecordUploadModel::IsRunning(const std::string& instance_id) const {
  return std::find(running_.begin(), running_.end(), instance_id) != running_.end();
}

void QuickRecordUploadModel::RemoveFromRunning(const std::string& instance_id) {
  running_.erase(std::remove(running_.begin(), running_.end(), instance_id), running_.end());
}

void QuickRecordUploadModel::ScheduleTranscodeUpload() {
  if (ready_.empty()) KLOG(6) << "no task need to schedule.";
  while (running_.size() < kMaxRunningTasks && !ready_.empty()) {
    const std::string instance_id = ready_.front();
    ready_.pop_front();
    if (IsRunning(instance_id)) {
      KLOG(4) << "duplicate task id " << instance_id;
      continue;
    }
    if (!dao_.GetUploadingItemById(instance_id)) continue;
    KLOG(6) << "start task: " << instance_id;
    running_.push_back(instance_id);
    StartTranscodeOperate(instance_id);
  }
  if (running_.size() >= kMaxRunningTasks && !ready_.empty()) KLOG(6) << "current transcode tasks is full.";
  if (ready_.empty() && running_.empty() && deps_.transcode->IsProcessRunning()) {
    KLOG(6) << "no uploading task, stop process";
    kill_process_timer_.reset();
    EndProcess();
  }
}

void QuickRecordUploadModel::StartTranscodeOperate(const std::string& instance_id) {
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) return;
  if (item->cover_uri == kCoverEnding) KLOG(4) << "cover_uri is .kovtc";
  SetStatus(item, kUploadStatusUploading);
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordUploadModel>(weak.lock()); };
  int64_t action = item->retry_action;
  // A resumed upload of a recording that is still being made has nothing final to recover: the
  // task starts over and the transcoder keeps the parts its upload state lists.
  if (action == kRetryRecoverUpload && !item->is_record_complete) {
    action = kRetryFreshStart;
    item->is_recovery_upload = true;
  }
  switch (action) {
    case kRetryFreshStart:
    case kRetryFreshStartAfterStoreLoss:
      // After the store lost the upload its state is worthless; otherwise the state left by an
      // earlier attempt lets the new one skip the parts already stored.
      if (action == kRetryFreshStartAfterStoreLoss) item->is_recovery_upload = false;
      deps_.transcode->StartTranscode("_fresh_start", [self_of, instance_id] {
        if (auto self = self_of()) self->SendTranscodeParamsOf(instance_id);
      });
      // A cached grant goes with the transcode parameters.
      if (!auth_cache_.count(instance_id)) RequestUploadAuthParams(instance_id);
      break;
    case kRetryRecoverUpload:
      deps_.transcode->StartTranscode("_recover_upload", [self_of, instance_id] {
        if (auto self = self_of()) self->RequestUploadAuthParams(instance_id);
      });
      break;
    case kRetryRefreshAuth:
      auth_cache_.erase(instance_id);
      deps_.transcode->StartTranscode("_refresh_auth", [self_of, instance_id] {
        if (auto self = self_of()) self->RequestUploadAuthParams(instance_id);
      });
      break;
    default:
      KLOG(1) << "kUnknownError";
      RemoveFromRunning(instance_id);
      break;
  }
}

void QuickRecordUploadModel::SendTranscodeParamsOf(const std::string& instance_id) {
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item || !IsRunning(instance_id)) return;
  deps_.transcode->SendTranscodeParams(MakeTranscodeParams(*item));
  in_process_.insert(instance_id);
  // An answer that came while the process was starting could not be passed on then.
  if (auth_cache_.count(instance_id)) SendAuthToProcess(instance_id);
}

// ---- authorisation ----

void QuickRecordUploadModel::RequestUploadAuthParams(const std::string& instance_id) {
  if (auth_cache_.count(instance_id)) {
    KLOG(6) << "use cache auth data: " << instance_id;
    SendAuthToProcess(instance_id);
    return;
  }
  if (auth_in_flight_.count(instance_id)) return;
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  auto cloud = Cloud();
  if (!item || !cloud) {
    KLOG(1) << "param is null!";
    return;
  }
  auto info = std::make_shared<QuickRecordStartRecordInfo>();
  info->subject = item->title;
  info->record_start_time = std::to_string(item->start_record_time);
  info->record_id = item->record_id;
  info->creator_instance_id = instance_id;
  auth_in_flight_.insert(instance_id);
  KLOG(6) << "do request auth data: " << instance_id;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  cloud->RequestStartRecord(instance_id, info, false,
                            [weak](const std::string& id, int32_t status_code, const std::string&, int64_t biz_code,
                                   const std::shared_ptr<QuickRecordStartRecordResult>& result) {
                              if (auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock()))
                                self->OnUploadAuthResponse(id, status_code, biz_code, result);
                            });
}

void QuickRecordUploadModel::OnUploadAuthResponse(const std::string& instance_id, int32_t status_code, int64_t biz_code,
                                                  const std::shared_ptr<QuickRecordStartRecordResult>& result) {
  auth_in_flight_.erase(instance_id);
  const bool success = result && status_code == 200 && biz_code == 0;
  const bool for_session = instance_id == requested_instance_id_ || instance_id == current_instance_id_;
  if (for_session && success) {
    if (auto session = std::dynamic_pointer_cast<IQuickRecordDelegate>(session_model_.lock()))
      session->OnStartQuickRecordAuthResponse(result);
  }
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) {
    // The answer for a recording the recorder has not started yet waits for its item.
    if (success && instance_id == requested_instance_id_) auth_cache_[instance_id] = result;
    return;
  }
  if (!success) {
    KLOG(1) << "request auth failed, instance_id: " << instance_id << ", status_code: " << status_code
            << ", biz_code: " << biz_code;
    // Retried on the timer like any failure, so an unreachable back end is not asked in a loop.
    if (result) item->trace_id = result->nonce;
    item->fail_reason = biz_code != 0 ? biz_code : (status_code > 0 && status_code != 200 ? status_code : -1);
    // A process that already follows the recording only needs the grant; otherwise it starts over.
    item->retry_action = in_process_.count(instance_id) ? kRetryRefreshAuth : kRetryFreshStart;
    SetStatus(item, kUploadStatusFailed);
    RemoveFromRunning(instance_id);
    retry_table_.OnFailure(instance_id, base::clock::SteadyMs());
    StartRetryTimer();
    FireTotalUploadStatus();
    ScheduleTranscodeUpload();
    return;
  }
  item->record_id = result->record_id;
  item->jump_url = result->jump_url;
  item->trace_id = result->nonce;
  dao_.UpdateUploadingItem(*item);
  KLOG(6) << "upload_auth_result_content, instance_id: " << instance_id << ", record_id: " << result->record_id;
  upload_analytics::ReportAuthResult(instance_id, result->record_id, result->bucket_name, result->cos_key,
                                     result->cover_cos_key);
  auth_cache_[instance_id] = result;
  SendAuthToProcess(instance_id);
}

UploadAuthParams QuickRecordUploadModel::AuthParamsOf(const UploadingItem& item,
                                                      const QuickRecordStartRecordResult& auth) const {
  UploadAuthParams params;
  params.instance_id = item.instance_id;
  params.bucket_name = auth.bucket_name;
  params.cos_key = auth.cos_key;
  params.cos_url = auth.cos_url;
  params.record_id = auth.record_id;
  params.cover_cos_key = auth.cover_cos_key;
  params.cover_session_token = auth.cover_session_token;
  params.video_session_token = auth.video_session_token;
  params.video_auth_info = auth.video_auth;
  params.cover_auth_info = auth.cover_auth;
  params.full_path = item.full_path;
  params.output_file = OutputFile(item.full_path);
  return params;
}

void QuickRecordUploadModel::SendAuthToProcess(const std::string& instance_id) {
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  auto it = auth_cache_.find(instance_id);
  if (!item || it == auth_cache_.end() || !IsRunning(instance_id)) return;
  if (deps_.transcode->state() != QuickRecordTranscodeService::kStarted) return;  // sent once it is
  const UploadAuthParams params = AuthParamsOf(*item, *it->second);
  KLOG(6) << "send auth param to process, instance_id: " << instance_id;
  if (item->retry_action == kRetryRecoverUpload && !in_process_.count(instance_id)) {
    deps_.transcode->NotifyRecoverUploadFileInfo(params);
    in_process_.insert(instance_id);
  } else if (in_process_.count(instance_id)) {
    deps_.transcode->NotifyUploadFileAuthInfo(params);
  }
}

// ---- transcode events ----

void QuickRecordUploadModel::OnTranscodeStarted(const std::string&) {
  KLOG(6) << "transcode process started";
  // A new process: an end asked of the last one that never reported its exit says nothing of it.
  process_end_requested_ = false;
}

void QuickRecordUploadModel::OnTranscodeRecordFileSizeChanged(const std::string& instance_id, int64_t size) {
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) return;
  item->total_size = size;
  FireTaskUploadStatus(*item);
  FireTotalUploadStatus();
}

void QuickRecordUploadModel::OnTranscodeProgress(const std::string& instance_id, const std::string&, double progress_rate,
                                                 bool, bool) {
  KLOG(6) << "progress " << instance_id << ": " << progress_rate;
}

void QuickRecordUploadModel::OnTranscodeFinish(const std::string& instance_id, int32_t result, int64_t muxer_event_duration) {
  KLOG(6) << "instance_id: " << instance_id << ", transcode_err: " << result;
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) {
    KLOG(3) << "can not find " << instance_id;
    return;
  }
  if (muxer_event_duration > 0) {
    KLOG(6) << "update record_time_duration from muxer_event_duration: " << muxer_event_duration;
    item->record_time_duration = muxer_event_duration;
    dao_.UpdateUploadingItem(*item);
  }
  KLOG(6) << "remain_transcode_time: 0, file size: " << item->total_size;
  if (result == 0 && item->upload_status == kUploadStatusFailed && !IsRunning(instance_id)) {
    KLOG(6) << "restart failed task when transcode finished " << instance_id;
    QueueTask(instance_id);
    ScheduleTranscodeUpload();
  }
}

void QuickRecordUploadModel::OnTranscodeStartUploadPart(const std::string& instance_id, const std::string& block_file_id,
                                                        const std::string&) {
  KLOG(6) << "start upload part " << block_file_id << " of " << instance_id;
}

void QuickRecordUploadModel::OnTransocdeUploadFileFinished(const TranscodeUploadFileInfo& info) {
  UploadingItem* item = dao_.GetUploadingItemById(info.instance_id);
  if (!item) return;
  if (info.kind == kUploadFilePartFinished) {
    item->uploaded_size += info.file_size;
    item->total_size = std::max(item->total_size, item->uploaded_size);
    FireTaskUploadStatus(*item);
    FireTotalUploadStatus();
  } else if (info.kind == kUploadFileComplete) {
    NotifyUploadComplete(info);
  } else if (info.kind == kUploadCoverFileFinished) {
    item->cover_uri = info.file_path;
    dao_.UpdateUploadingItem(*item);
    FireEvent(kFireDataCoverUriUpdate, Variant::MakeMap().Set("k_instance_id", info.instance_id).Set("k_cover_uri", info.file_path));
  }
}

void QuickRecordUploadModel::NotifyUploadComplete(const TranscodeUploadFileInfo& info) {
  UploadingItem* item = dao_.GetUploadingItemById(info.instance_id);
  if (!item) return;
  constexpr int kFileTypeRecording = 3;
  KLOG(6) << "upload_file_path: " << info.file_path << ", upload_file_size: " << info.file_size
          << ", upload_record_id: " << info.record_id << ", is_quick_record: 1, is_recovery_upload: "
          << info.is_recovery_upload << ", file_type: " << kFileTypeRecording;
  item->total_size = info.file_size;
  item->uploaded_size = info.file_size;
  KLOG(6) << "record_totol_time from uploading_item: " << item->record_time_duration;
  if (item->record_time_duration == 0) KLOG(3) << "check record total time, now is 0";
  RequestUploadComplete(info.instance_id);
}

void QuickRecordUploadModel::RequestUploadComplete(const std::string& instance_id) {
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  auto cloud = Cloud();
  if (!item || !cloud) {
    KLOG(1) << "param is null!";
    return;
  }
  auto info = std::make_shared<QuickRecordCompleteRecordInfo>();
  info->record_start_time = std::to_string(item->start_record_time);
  info->creator_instance_id = instance_id;
  info->record_id = item->record_id;
  info->file_size = std::to_string(item->total_size);
  info->file_duration = std::to_string(item->record_time_duration);
  info->record_mode = std::to_string(item->record_flag);
  info->screen_type = item->is_window_capture ? "window" : "screen";
  info->video_width = static_cast<int32_t>(item->width);
  info->video_height = static_cast<int32_t>(item->height);
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  cloud->RequestCompleteRecord(instance_id, info,
                               [weak](const std::string& id, int32_t status_code, const std::string&, int64_t biz_code) {
                                 auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock());
                                 if (!self) return;
                                 if (status_code == 200 && biz_code == 0) {
                                   KLOG(6) << "request complete record suc.";
                                   self->OnUploadComplete(id, 0);
                                 } else {
                                   KLOG(1) << "request complete record error: " << id << ", status_code: " << status_code
                                           << ", biz_code: " << biz_code;
                                   // The object is up; only the completion has to be asked again.
                                   self->OnUploadComplete(id, kFailProcessExit);
                                 }
                               });
}

void QuickRecordUploadModel::OnUploadComplete(const std::string& instance_id, int64_t error_code) {
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) return;
  if (error_code != 0) {
    item->fail_reason = error_code;
    item->retry_action = MakeRetryAction(error_code);
    SetStatus(item, kUploadStatusFailed);
  } else {
    item->fail_reason = 0;
    item->retry_action = kRetryNone;
    item->is_recovery_upload = false;
    item->finished_time = base::clock::WallMs();
    SetStatus(item, kUploadStatusUploaded);
    TryDeleteMidFiles(*item);
    retry_table_.Remove(instance_id);
    auth_cache_.erase(instance_id);
  }
  // After the video the process still puts the cover; the slot is free (and the process may be
  // ended) once it reported the task done.
  if (error_code != 0 || !in_process_.count(instance_id)) {
    RemoveFromRunning(instance_id);
    ScheduleTranscodeUpload();
  }
  FireTotalUploadStatus();
}

void QuickRecordUploadModel::OnTaskDoneInProcess(const std::string& instance_id) {
  in_process_.erase(instance_id);
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item || item->upload_status != kUploadStatusUploaded || !IsRunning(instance_id)) return;
  RemoveFromRunning(instance_id);
  ScheduleTranscodeUpload();
}

void QuickRecordUploadModel::TryDeleteMidFiles(const UploadingItem& item) {
  if (kovanisdk::utils::user_config::GetValue(kKeepTempFilesKey, false).AsBool(false)) return;
  const std::string& p = item.full_path;
  for (const std::string& file : {p + ".kovtv", p + ".kovtv.idx", p + ".kovtvidx", p + ".kovta", p + ".kovta.idx",
                                  p + ".kovtaidx", UploadStateFile(p)}) {
    if (!util::file::IsFileExist(file)) continue;
    const bool ret = util::file::Remove(file);
    KLOG(6) << "delete mid file:" << file << " ret=" << ret;
  }
}

void QuickRecordUploadModel::DeleteRecording(const std::string& instance_id) {
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) return;
  if (in_process_.count(instance_id)) deps_.transcode->StopTranscode(instance_id);
  const std::string p = item->full_path;
  for (const std::string& file : {p + ".kovtv", p + ".kovtv.idx", p + ".kovtvidx", p + ".kovta", p + ".kovta.idx",
                                  p + ".kovtaidx", p + kCoverEnding, OutputFile(p), UploadStateFile(p)}) {
    if (util::file::IsFileExist(file)) util::file::Remove(file);
  }
  RemoveFromRunning(instance_id);
  ready_.erase(std::remove(ready_.begin(), ready_.end(), instance_id), ready_.end());
  auth_cache_.erase(instance_id);
  in_process_.erase(instance_id);
  retry_table_.Remove(instance_id);
  DbDeleteLocalRecordRedDotReq red_dot;
  static_cast<LocalRecordOwner&>(red_dot) = LocalRecordOwner{item->app_id, item->app_uid};
  red_dot.instance_id = instance_id;
  dao_.DataService()->DeleteLocalRecordRedDotData(red_dot, nullptr);
  dao_.DeleteUploadingItem(instance_id);
  FireEvent(kFireDataDelete, Variant::MakeMap().Set("k_instance_id", instance_id));
  FireTotalUploadStatus();
  ScheduleTranscodeUpload();
}

void QuickRecordUploadModel::OnTranscodeUploadFileFailed(const TranscodeUploadError& e) {
  KLOG(1) << "instance_id: " << e.instance_id << ", cos_error_code_: " << e.cos_error_code
          << ", cos_upload_current_state_: " << e.cos_upload_current_state << ", cos_upload_result_: " << e.cos_upload_result
          << ", error_code_: " << e.error_code << ", error_msg_: " << e.error_msg << ", request_type_: " << e.request_type
          << ", network_break_: " << e.network_break << ", upload_type_: " << e.upload_type;
  upload_analytics::ReportUploadFailure(e);
  const UploadingItem* item = dao_.GetUploadingItemById(e.instance_id);
  if (!item) return;
  if (e.upload_type == "cover") {
    // The record plays without its cover; not worth a new upload.
    OnTaskDoneInProcess(e.instance_id);
    return;
  }
  if (item->upload_status == kUploadStatusUploaded) return;
  OnUploadComplete(e.instance_id, e.error_code);
  RetryFailedTask(e.instance_id);
}

void QuickRecordUploadModel::OnTranscodeProcessCreateTimeout() {
  KLOG(1) << "transcode_upload create_process_time_out";
  upload_analytics::ReportProcessFailure("create_process_time_out", kFailProcessCreate);
  FailRunningTasks(kFailProcessCreate);
}

void QuickRecordUploadModel::OnTranscodeProcessCreateFailed(int32_t error_code) {
  KLOG(1) << "transcode_upload create process failed: " << error_code;
  upload_analytics::ReportProcessFailure("create_process_failed", error_code);
  FailRunningTasks(kFailProcessCreate);
}

void QuickRecordUploadModel::EndProcess() {
  if (deps_.transcode->EndProcessTranscode()) process_end_requested_ = true;
}

void QuickRecordUploadModel::OnTranscodeProcessExit() {
  if (std::exchange(process_end_requested_, false)) {
    KLOG(6) << "transcode process ended as asked";
  } else {
    KLOG(1) << "transcode_upload process_exit";
    upload_analytics::ReportProcessFailure("process_exit", kFailProcessExit);
  }
  kill_process_timer_.reset();
  in_process_.clear();
  FailRunningTasks(kFailProcessExit);
}

void QuickRecordUploadModel::FailRunningTasks(int64_t error_code) {
  const std::vector<std::string> running = running_;
  for (const auto& id : running) {
    OnUploadComplete(id, error_code);
    RetryFailedTask(id);
  }
}

void QuickRecordUploadModel::OnTranscodeDataReport(const JsonValue& params) {
  KLOG(6) << "data report: " << params.ToCompactString();
  // The process's last word on a recording task.
  OnTaskDoneInProcess(params["instance_id"].AsString());
}

// ---- retries ----

void QuickRecordUploadModel::RetryFailedTask(const std::string& instance_id) {
  const UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item || item->upload_status != kUploadStatusFailed) return;
  if (item->retry_action == kRetryRefreshAuth) {
    // The process keeps the task and waits for a new grant: ask for it now.
    retry_table_.Remove(instance_id);
    auth_cache_.erase(instance_id);
    QueueTask(instance_id);
    ScheduleTranscodeUpload();
    return;
  }
  retry_table_.OnFailure(instance_id, base::clock::SteadyMs());
  StartRetryTimer();
}

void QuickRecordUploadModel::StartRetryTimer() {
  if (retry_timer_) return;
  KLOG(6) << "init upload_retry_timer_";
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  retry_timer_ = base::threading::CreateTimer(
      [weak] {
        if (auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock())) self->HandleRetryTask();
      },
      FROM_HERE);
  retry_timer_->Start(kRetryTimerMs, true);
}

void QuickRecordUploadModel::HandleRetryTask() {
  const auto due = retry_table_.Tick(base::clock::SteadyMs());
  if (retry_table_.empty()) {
    KLOG(6) << "stop timer when empty";
    retry_timer_->Stop();
    retry_timer_.reset();
    return;
  }
  static const char* kAttemptNames[] = {"", "", " second ", " third ", " fourth "};
  for (const auto& d : due) {
    const UploadingItem* item = dao_.GetUploadingItemById(d.instance_id);
    if (!item || item->upload_status != kUploadStatusFailed) {
      retry_table_.Remove(d.instance_id);
      continue;
    }
    KLOG(6) << "retry task " << d.instance_id << kAttemptNames[d.attempt];
    QueueTask(d.instance_id);
  }
  if (!due.empty()) ScheduleTranscodeUpload();
}

void QuickRecordUploadModel::MakeFailureTasksFreshStart() {
  for (auto& item : dao_.items()) {
    if (item.upload_status != kUploadStatusFailed || IsTaskOfThisRun(item.instance_id)) continue;
    if (item.retry_action == kRetryNone) {
      KLOG(4) << "can not retry.";
      continue;
    }
    KLOG(6) << "make it fresh start";
    // A store that lost the upload leaves nothing to pick up; otherwise the upload state of the
    // last run lets the new transcoder keep the parts already stored.
    item.is_recovery_upload =
        item.retry_action != kRetryFreshStartAfterStoreLoss && util::file::IsFileExist(UploadStateFile(item.full_path));
    item.retry_action = kRetryFreshStart;
    dao_.UpdateUploadingItem(item);
  }
}

void QuickRecordUploadModel::CheckReStartAllFailedTask() {
  if (kovani_common::utils::inmeeting::IsInMeeting()) {
    KLOG(6) << "no need Restart inmeeting";
    return;
  }
  int count = 0;
  for (const auto& item : dao_.items()) {
    if (item.upload_status != kUploadStatusFailed || item.retry_action == kRetryNone) continue;
    QueueTask(item.instance_id);
    ++count;
  }
  KLOG(6) << "restart failed task cnt " << count;
  if (count > 0) ScheduleTranscodeUpload();
}

// ---- cancel and resume ----

bool QuickRecordUploadModel::InvokeCancelUpload(const std::string& instance_id) {
  if (instance_id.empty() || !dao_.GetUploadingItemById(instance_id)) {
    KLOG(3) << "no instance id";
    return false;
  }
  if (instance_id == current_instance_id_) {
    KLOG(3) << "current record task can not be cancel.";
    return false;
  }
  if (IsRunning(instance_id)) {
    KLOG(6) << "cancel task is transcoding.";
    deps_.transcode->StopTranscode(instance_id);
    in_process_.erase(instance_id);
    RemoveFromRunning(instance_id);
  } else if (std::find(ready_.begin(), ready_.end(), instance_id) != ready_.end()) {
    KLOG(6) << "cancel task is ready.";
    ready_.erase(std::remove(ready_.begin(), ready_.end(), instance_id), ready_.end());
  }
  retry_table_.Remove(instance_id);
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (item->upload_status == kUploadStatusUploading) {
    item->fail_reason = kFailTranscodeStopped;
    // The upload state stays beside the MP4, so a resume picks the parts up again.
    item->retry_action = kRetryFreshStart;
    item->is_recovery_upload = true;
    SetStatus(item, kUploadStatusFailed);
  }
  FireTotalUploadStatus();
  ScheduleTranscodeUpload();
  return true;
}

bool QuickRecordUploadModel::InvokeRequestServerCancelRecord(const std::string& record_id) {
  if (record_id.empty()) {
    KLOG(3) << "param is null!";
    return false;
  }
  auto cloud = Cloud();
  if (!cloud) return false;
  KLOG(6) << "request server cancel record, record_id:" << record_id;
  cloud->RequestCancelQuickRecord(record_id);
  return true;
}

bool QuickRecordUploadModel::InvokeResumeUpload(const std::string& instance_id) {
  UploadingItem* item = dao_.GetUploadingItemById(instance_id);
  if (!item) {
    KLOG(3) << "no instance id";
    return false;
  }
  if (item->upload_status != kUploadStatusFailed) {
    KLOG(4) << "status is not failure. It is " << item->upload_status;
    return false;
  }
  KLOG(6) << "Result upload quick record data, trace_id: " << item->trace_id;
  retry_table_.Remove(instance_id);
  QueueTask(instance_id);
  ScheduleTranscodeUpload();
  return true;
}

// ---- status ----

void QuickRecordUploadModel::StartKillProcessTimer() {
  // A process that still holds tasks ten minutes after the last recording ended is taken to
  // hang: ending it reports its exit, which fails the tasks into the retry schedule.
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  kill_process_timer_ = base::threading::CreateTimer(
      [weak] {
        auto self = std::static_pointer_cast<QuickRecordUploadModel>(weak.lock());
        if (!self) return;
        KLOG(3) << "StartKillProcessTimer_kill_process_timer_arrived";
        if (!self->running_.empty()) self->EndProcess();
      },
      FROM_HERE);
  kill_process_timer_->Start(kKillProcessTimerMs, false);
}

void QuickRecordUploadModel::SetStatus(UploadingItem* item, int64_t status) {
  item->upload_status = status;
  dao_.UpdateUploadingItem(*item);
  FireTaskUploadStatus(*item);
  FireEvent(kFireDataStatusUpdate, item->ToVariant());
  dao_.DataService()->HandleLocalRecordRedDotDataByUploadStatus(item->instance_id, status);
}

void QuickRecordUploadModel::FireTaskUploadStatus(const UploadingItem& item) { FireEvent(kFireTaskUploadStatus, item.ToVariant()); }

Variant QuickRecordUploadModel::TotalUploadStatus() {
  int64_t uploading = 0, failed = 0, uploaded = 0, uploaded_size = 0, total_size = 0;
  for (const auto& item : dao_.items()) {
    uploading += item.upload_status == kUploadStatusUploading;
    failed += item.upload_status == kUploadStatusFailed;
    uploaded += item.upload_status == kUploadStatusUploaded;
    if (item.upload_status != kUploadStatusUploaded) {
      uploaded_size += item.uploaded_size;
      total_size += item.total_size;
    }
  }
  return Variant::MakeMap()
      .Set("uploading", uploading)
      .Set("failed", failed)
      .Set("uploaded", uploaded)
      .Set("uploaded_size", uploaded_size)
      .Set("total_size", total_size);
}

void QuickRecordUploadModel::FireTotalUploadStatus() { FireEvent(kFireTotalUploadStatus, TotalUploadStatus()); }

}  // namespace quick_record
