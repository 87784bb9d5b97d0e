#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "host/sdk/bridge/bridge_ipc_client.h"
#include "transcoder/event_sink.h"
#include "transcoder/local_upload_task.h"
#include "transcoder/record_task.h"

namespace qr_transcoder {

// The process's side of the bridge: takes each named message, checks its fields and hands it to
// the task of its instance; sends the tasks' events back. Messages are handled one at a time on
// the bridge client's reader thread, which alone touches the task tables; a message that is not
// JSON, lacks fields or names an unknown instance is logged and, where an event fits, answered
// with an error, and never reaches another task.
class TranscoderApp : public kovanisdk::bridge::BridgeIPCClient::Delegate, public IEventSink {
 public:
  using DisconnectHandler = std::function<void()>;

  TranscoderApp(TaskSettings settings, DisconnectHandler on_disconnect);
  ~TranscoderApp() override;

  // Events go out through `client` from now on; before, they are dropped.
  void Attach(kovanisdk::bridge::BridgeIPCClient* client) { client_ = client; }
  // Ends every task, after the bridge stopped delivering messages.
  void Shutdown();

  // BridgeIPCClient::Delegate
  void OnBridgeMessage(const std::string& name, const std::string& text) override;
  void OnBridgeDisconnected() override { on_disconnect_(); }
  // IEventSink
  void Send(const std::string& name, const base::json::JsonValue& fields) override;

 private:
  using Handler = void (TranscoderApp::*)(const base::json::JsonValue&);

  void StartTranscode(const base::json::JsonValue& json);
  void UploadFileAuth(const base::json::JsonValue& json);
  void RecoverUpload(const base::json::JsonValue& json);
  void StopTranscode(const base::json::JsonValue& json);
  void RecordingFinish(const base::json::JsonValue& json);
  void TranscodeRate(const base::json::JsonValue& json);
  void InitNetworkConfig(const base::json::JsonValue& json);
  void LocalStart(const base::json::JsonValue& json);
  void LocalPause(const base::json::JsonValue& json);
  void LocalResume(const base::json::JsonValue& json);
  void LocalCancel(const base::json::JsonValue& json);

  // The authorisation of an auth or recovery message; a bad one is answered with error 4.
  std::optional<UploadAuth> ReadAuth(const base::json::JsonValue& json, const std::string& what);
  RecordTask* FindRunning(const std::string& instance_id);
  LocalUploadTask* FindLocal(const std::string& instance_id);
  void DropFinishedTasks();
  void SendUploadError(const std::string& instance_id, int32_t code, const std::string& message);
  void SendTranscodeError(const std::string& instance_id, int32_t result);

  const TaskSettings settings_;
  const DisconnectHandler on_disconnect_;
  std::atomic<kovanisdk::bridge::BridgeIPCClient*> client_{nullptr};
  const std::map<std::string, Handler> handlers_;
  std::map<std::string, std::unique_ptr<RecordTask>> tasks_;
  std::map<std::string, std::unique_ptr<LocalUploadTask>> local_tasks_;
};

}  // namespace qr_transcoder
