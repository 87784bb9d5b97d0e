#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "module/quick_record/cloud/quick_record_service_plugin.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/transcode/quick_record_transcode_service.h"
#include "module/quick_record/upload/quick_record_uploading_item_dao.h"
#include "module/quick_record/upload/upload_retry_table.h"

namespace quick_record {

// Uploads every quick recording while it is made: an uploading item and a transcode task are
// created when the recording starts, the transcode process follows the growing streams and
// uploads the MP4 in parts, and the record is completed on the back end when the last part and
// the cover are up. At most three tasks run at once; failed uploads are retried on a back-off
// schedule and interrupted ones are picked up again at start-up.
//
// Main looper only: model calls, session events, transcode events and database answers all
// arrive there, so the lists are never locked.
class QuickRecordUploadModel : public framework::ModelImpl, public IQuickRecordTranscodeDelegate {
 public:
  // Calls offered to view models.
  static constexpr int32_t kInvokeGetTotalUploadStatus = 0x1a4f0101;  // -> {"uploading", "failed", "uploaded", "total"}
  static constexpr int32_t kInvokeGetUploadingList = 0x1a4f0102;      // -> array of items
  static constexpr int32_t kInvokeGetCacheUploadedList = 0x1a4f0103;  // -> array of uploaded items
  static constexpr int32_t kInvokeGetQuickRecordWebUrl = 0x1a4f0104;  // instance id -> jump url
  static constexpr int32_t kInvokeCancelUpload = 0x1a4f0105;          // instance id -> bool
  static constexpr int32_t kInvokeResumeUpload = 0x1a4f0106;          // instance id -> bool
  static constexpr int32_t kInvokeGetCurrentRecordInfo = 0x1a4f0107;  // -> the running recording's item
  static constexpr int32_t kInvokeResumeAllTask = 0x1a4f0108;
  static constexpr int32_t kInvokeRequestServerCancelRecord = 0x1a4f0109;  // {"record_id"} -> bool

  // Notifications.
  static constexpr int32_t kFireTaskUploadStatus = 0x1a4f0201;  // item
  static constexpr int32_t kFireTotalUploadStatus = 0x1a4f0202;  // as kInvokeGetTotalUploadStatus
  static constexpr int32_t kFireDataStatusUpdate = 0x1a4f0203;  // item
  static constexpr int32_t kFireDataRecordTimeDurationUpdate = 0x1a4f0204;  // {"k_instance_id", "k_record_time_duration"}
  static constexpr int32_t kFireDataCoverUriUpdate = 0x1a4f0205;  // {"k_instance_id", "k_cover_uri"}
  static constexpr int32_t kFireDataDelete = 0x1a4f0206;  // {"k_instance_id"}

  static constexpr size_t kMaxRunningTasks = 3;
  static constexpr int64_t kRetryTimerMs = 325000;
  static constexpr int64_t kKillProcessTimerMs = 600000;
  // Start-up recovery waits this long after activation: it is not urgent, and a host that only
  // runs a short command unloads the module before database work of the recovery could finish.
  static constexpr int64_t kStartUpRecoveryDelayMs = 3000;
  static constexpr char kKeepTempFilesKey[] = "is_keep_record_temp_files";
  static constexpr char kTranscodeErrorFlagKey[] = "quick_record.transcode.error_flag";
  static constexpr char kTranscodeInfoKey[] = "quick_record.transcode.info";
  // Fail reasons of failures that are not upload errors of the process; chosen so that
  // MakeRetryAction gives the right next attempt.
  static constexpr int64_t kFailProcessExit = 2;     // the upload state survives: resume it
  static constexpr int64_t kFailProcessCreate = -1;  // nothing ran: start over
  static constexpr int64_t kFailTranscodeStopped = 5;

  struct Dependencies {
    std::shared_ptr<QuickRecordServicePlugin> cloud;  // null: queried from the plug-in registry
    std::shared_ptr<QuickRecordTranscodeService> transcode;
    std::shared_ptr<LocalRecordDataService> data_service;  // null: the activation's, on first use
    // The recording being made: its stream base paths and its recorded duration in ms. Empty:
    // asked of the recorder service.
    std::function<std::vector<std::string>()> base_paths;
    std::function<int64_t()> recorded_duration;
  };

  QuickRecordUploadModel();
  explicit QuickRecordUploadModel(Dependencies deps);
  ~QuickRecordUploadModel() override;

  void Init() override;
  void UnInit() override;

  // Session events.
  // The user asked for a new recording: its start data is fetched before the recorder runs.
  void OnEventQuickRecordStartRequested(const base::variant::Variant& payload);
  void OnEventQuickRecordStarted(const base::variant::Variant& payload);
  void OnEventQuickRecordComplete();
  // The recording is thrown away (its record is deleted on the back end): its transcode task
  // stops and its item and files go, as does a start still waiting for its grant.
  void OnEventQuickRecordCancelled();
  void OnEventAuthorizeStateUpdate();

  // Start-up: the stored items of the signed-in user become tasks again.
  void InitTranscodeUploadTasks();
  void CheckHistoryFailedTask();
  void CheckReStartAllFailedTask();

  bool InvokeCancelUpload(const std::string& instance_id);
  bool InvokeResumeUpload(const std::string& instance_id);
  // Deletes a thrown-away record on the back end. This model reserved the record (start request)
  // and would complete it, so it alone tells the back end that the record is gone; whoever
  // cancels a recording asks here, and the session model's cancel only ends it on this machine.
  // The back end's answer goes to the service plug-in's delegate (the session model).
  bool InvokeRequestServerCancelRecord(const std::string& record_id);

  // IQuickRecordTranscodeDelegate
  void OnTranscodeStarted(const std::string& instance_id) override;
  void OnTranscodeRecordFileSizeChanged(const std::string& instance_id, int64_t current_record_file_size) override;
  void OnTranscodeProgress(const std::string& instance_id, const std::string& record_id, double progress_rate,
                           bool is_local_record, bool need_deceit) override;
  void OnTranscodeFinish(const std::string& instance_id, int32_t result, int64_t muxer_event_duration) override;
  void OnTranscodeStartUploadPart(const std::string& instance_id, const std::string& block_file_id,
                                  const std::string& block_file_path) override;
  void OnTransocdeUploadFileFinished(const TranscodeUploadFileInfo& info) override;
  void OnTranscodeUploadFileFailed(const TranscodeUploadError& error) override;
  void OnTranscodeProcessCreateTimeout() override;
  void OnTranscodeProcessCreateFailed(int32_t error_code) override;
  void OnTranscodeProcessExit() override;
  void OnTranscodeDataReport(const base::json::JsonValue& params) override;

  // For tests and views.
  const std::vector<UploadingItem>& items() { return dao_.items(); }
  const UploadingItem* Item(const std::string& instance_id) { return dao_.GetUploadingItemById(instance_id); }
  const std::vector<std::string>& running() const { return running_; }
  const std::deque<std::string>& ready_queue() const { return ready_; }
  const UploadRetryTable& retry_table() const { return retry_table_; }
  bool retry_timer_running() const { return retry_timer_ != nullptr; }
  const std::string& current_instance_id() const { return current_instance_id_; }

  // The transcode parameters of an item's task.
  static TranscodeTaskMessage MakeTranscodeParams(const UploadingItem& item);

 private:
  void BindMethods();
  void SubscribeSession();
  void ScheduleTranscodeUpload();
  void StartTranscodeOperate(const std::string& instance_id);
  void SendTranscodeParamsOf(const std::string& instance_id);
  void RequestUploadAuthParams(const std::string& instance_id);
  void OnUploadAuthResponse(const std::string& instance_id, int32_t status_code, int64_t biz_code,
                            const std::shared_ptr<QuickRecordStartRecordResult>& result);
  void SendAuthToProcess(const std::string& instance_id);
  UploadAuthParams AuthParamsOf(const UploadingItem& item, const QuickRecordStartRecordResult& auth) const;
  void NotifyUploadComplete(const TranscodeUploadFileInfo& info);
  void RequestUploadComplete(const std::string& instance_id);
  void OnUploadComplete(const std::string& instance_id, int64_t error_code);
  void OnTaskDoneInProcess(const std::string& instance_id);
  void TryDeleteMidFiles(const UploadingItem& item);
  void DeleteRecording(const std::string& instance_id);
  void RetryFailedTask(const std::string& instance_id);
  void StartRetryTimer();
  void HandleRetryTask();
  void MakeFailureTasksFreshStart();
  void FailRunningTasks(int64_t error_code);
  void QueueTask(const std::string& instance_id);
  void RemoveFromRunning(const std::string& instance_id);
  bool IsRunning(const std::string& instance_id) const;
  // Whether the instance was made or picked up since the model started (not a stored leftover).
  bool IsTaskOfThisRun(const std::string& instance_id) const;
  void StartKillProcessTimer();
  // Ends the process on purpose: its exit is then no failure to report.
  void EndProcess();
  void SetStatus(UploadingItem* item, int64_t status);
  void FireTaskUploadStatus(const UploadingItem& item);
  void FireTotalUploadStatus();
  base::variant::Variant TotalUploadStatus();
  std::shared_ptr<QuickRecordServicePlugin> Cloud();
  std::shared_ptr<IQuickRecorder> Recorder();
  std::vector<std::string> BasePaths();
  int64_t RecordedDuration();

  Dependencies deps_;
  std::shared_ptr<IQuickRecorder> recorder_;
  QuickRecordUploadingItemDao dao_;
  std::deque<std::string> ready_;
  std::vector<std::string> running_;
  std::set<std::string> auth_in_flight_;
  // Instances the running process knows (a start or recovery was sent since it started).
  std::set<std::string> in_process_;
  std::map<std::string, std::shared_ptr<QuickRecordStartRecordResult>> auth_cache_;
  UploadRetryTable retry_table_;
  std::shared_ptr<base::threading::Timer> retry_timer_;
  std::shared_ptr<base::threading::Timer> kill_process_timer_;
  std::shared_ptr<base::threading::Timer> start_up_timer_;
  // The item of the recording being made; empty between recordings.
  std::string current_instance_id_;
  // The instance id of the recording asked for, until the recorder starts it.
  std::string requested_instance_id_;
  std::string last_app_uid_;
  // This model asked the running process to end; its next exit is expected.
  bool process_end_requested_ = false;
  framework::SubscriberId subscriber_id_;
  std::weak_ptr<framework::ModelImpl> session_model_;
  std::weak_ptr<framework::ModelImpl> recorder_model_;
  std::weak_ptr<framework::ModelImpl> auth_model_;
};

}  // namespace quick_record
