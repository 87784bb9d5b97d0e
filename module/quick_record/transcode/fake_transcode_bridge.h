#pragma once

#include <string>
#include <vector>

#include "host/base/json/json_value.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/sdk/service/transcode_process_status.h"

namespace quick_record::testing {

// The host's bridge IPC service as the transcode service sees it: every message sent is kept,
// and the test plays the process's events through the registered delegate.
class FakeTranscodeBridge : public kovanisdk::IBridgeIPCService {
 public:
  struct Sent {
    std::string name;
    base::json::JsonValue json;
  };

  bool RegisterEventDelegate(kovanisdk::IBridgeIPCEventDelegate* delegate, const std::vector<std::string>& names) override {
    delegate_ = delegate;
    names_ = names;
    return true;
  }
  void UnregisterEventDelegate(kovanisdk::IBridgeIPCEventDelegate* delegate) override {
    if (delegate_ == delegate) delegate_ = nullptr;
  }
  int SendIPCMessage(const std::string& name, const std::string& json_text) override {
    if (send_result != kOk) return send_result;
    sent.push_back({name, base::json::JsonValue::Parse(json_text)});
    return kOk;
  }
  bool IsProcessRunning(const std::string&) override { return false; }
  bool EndProcess(const std::string&) override { return false; }

  // Plays an event of the process, as the host delivers it on the main looper.
  void Deliver(const std::string& name, const base::json::JsonValue& fields = base::json::JsonValue::Object()) {
    if (delegate_) delegate_->OnBridgeIPCEvent(name, fields.ToCompactString());
  }
  void ReportStarted() { Deliver("local_record:transcode_process_started"); }
  void ReportCreate(const std::string& reply) {
    if (delegate_) delegate_->OnSubprocessCreate(reply);
  }
  void ReportExit(const std::string& reply) {
    if (delegate_) delegate_->OnSubprocessExit(reply);
  }

  std::vector<Sent> Named(const std::string& name) const {
    std::vector<Sent> out;
    for (const auto& s : sent)
      if (s.name == name) out.push_back(s);
    return out;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& s : sent) out.push_back(s.name);
    return out;
  }
  bool registered(const std::string& name) const {
    for (const auto& n : names_)
      if (n == name) return true;
    return false;
  }

  std::vector<Sent> sent;
  int send_result = kOk;

 private:
  kovanisdk::IBridgeIPCEventDelegate* delegate_ = nullptr;
  std::vector<std::string> names_;
};

// The process-status plug-in with a switch for "a transcoder already runs".
class FakeProcessStatus : public kovanisdk::ITranscodeProcessStatus {
 public:
  bool IsTranscodeProcessRunning() override { return running; }
  bool EndTranscodeProcess() override {
    ++end_calls;
    const bool was = running;
    running = false;
    return was;
  }
  bool running = false;
  int end_calls = 0;
};

}  // namespace quick_record::testing
