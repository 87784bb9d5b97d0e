#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/base/json/json_value.h"
#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/sdk/service/transcode_process_status.h"
#include "module/quick_record/transcode/i_quick_record_transcode_delegate.h"
#include "module/quick_record/transcode/transcode_messages.h"

namespace quick_record {

// The module's side of the transcode process: starts it through the host's bridge IPC service,
// sends it named JSON messages and hands its events to the upload model and the local upload
// controller.
//
// Process state transitions:
//   kNotStarted/kFailed -> kStarting   [StartTranscode, the host is asked to create the process]
//   kStarting -> kStarted              ["local_record:transcode_process_started"]
//   kStarting -> kFailed               [OnCreateTimeout, OnSubprocessCreate with an error]
//   any -> kNotStarted                 [OnSubprocessExit]
//
// Main looper only: the bridge service delivers its events there, and the state and the queue of
// waiting actions are never locked.
class QuickRecordTranscodeService : public kovanisdk::IBridgeIPCEventDelegate {
 public:
  enum ProcessState { kNotStarted = 0, kStarting = 1, kStarted = 2, kFailed = 3 };
  static constexpr int64_t kCreateTimeoutMs = 15000;

  // The host's bridge service and the process-status plug-in.
  QuickRecordTranscodeService();
  QuickRecordTranscodeService(std::shared_ptr<kovanisdk::IBridgeIPCService> bridge,
                              std::shared_ptr<kovanisdk::ITranscodeProcessStatus> process_status);
  ~QuickRecordTranscodeService() override;

  // The process-wide instance (created on first use, released with its last user).
  static std::shared_ptr<QuickRecordTranscodeService> GetInstance();

  // Receivers are not owned; clear them before they go away.
  void SetTranscodeDelegate(IQuickRecordTranscodeDelegate* delegate) { transcode_delegate_ = delegate; }
  void SetLocalUploadDelegate(ILocalUploadProcessDelegate* delegate) { local_upload_delegate_ = delegate; }

  // Makes sure the process runs, then runs `action` (at once, or when the process reports itself).
  void StartTranscode(const std::string& step, std::function<void()> action);
  int SendTranscodeParams(const TranscodeTaskMessage& params);
  // Sent only when the process is ready; answers false otherwise.
  bool NotifyUploadFileAuthInfo(const UploadAuthParams& params);
  int NotifyRecoverUploadFileInfo(const UploadAuthParams& params);
  int StopTranscode(const std::string& instance_id);
  int NotifyRecordingFinish(const std::string& instance_id, int64_t record_time_duration);
  int RequestTranscodeRate();
  bool LocalUploadStart(const LocalUploadParams& params);
  int LocalUploadPause(const std::string& instance_id);
  int LocalUploadResume(const LocalUploadParams& params);
  int LocalUploadCancel(const std::string& instance_id);
  // Asks the process to end; false when none runs.
  bool EndProcessTranscode();
  bool IsProcessRunning();

  ProcessState state() const { return state_; }

  // kovanisdk::IBridgeIPCEventDelegate
  void OnBridgeIPCEvent(const std::string& name, const std::string& data) override;
  void OnSubprocessCreate(const std::string& result) override;
  void OnSubprocessExit(const std::string& result) override;

  void OnCreateTimeout();
  void OnRealtimeConfigureChange();

  // Every event name the service registers with the bridge.
  static std::vector<std::string> EventNames();

 private:
  void CreateProcess();
  void OnTranscodeProcessStarted();
  int SendIPCMessageToPeer(const std::string& name, const std::string& text);
  int SendJson(const std::string& name, const base::json::JsonValue& fields);
  void SendNetworkConfig();
  void DispatchTranscodeEvent(const std::string& name, const base::json::JsonValue& data);
  void DispatchLocalUploadEvent(const std::string& name, const base::json::JsonValue& data);
  bool IsTranscodeTarget(const base::json::JsonValue& reply) const;

  std::shared_ptr<kovanisdk::IBridgeIPCService> bridge_;
  std::shared_ptr<kovanisdk::ITranscodeProcessStatus> process_status_;
  std::string program_path_;
  std::string target_name_;
  ProcessState state_ = kNotStarted;
  // Actions waiting for the process; each runs once, in the order asked, when it reports itself.
  std::vector<std::function<void()>> pending_actions_;
  std::shared_ptr<base::threading::Timer> create_timer_;
  IQuickRecordTranscodeDelegate* transcode_delegate_ = nullptr;
  ILocalUploadProcessDelegate* local_upload_delegate_ = nullptr;
  std::weak_ptr<framework::ModelImpl> config_model_;
  framework::SubscriberId subscriber_id_;
};

}  // namespace quick_record
