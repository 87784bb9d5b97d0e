#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kovanisdk {

// Receives what the bridge IPC service hears, always on the host's main looper.
class IBridgeIPCEventDelegate {
 public:
  virtual ~IBridgeIPCEventDelegate() = default;
  // A named message from a child process, for a name this delegate registered.
  virtual void OnBridgeIPCEvent(const std::string& name, const std::string& data) = 0;
  // The outcome of "kovani:create_sub_process": {"target", "errorcode", "pid"}; errorcode 0 means
  // started, otherwise an errno value (ENOENT: no such program, EEXIST: target already running).
  virtual void OnSubprocessCreate(const std::string& result) = 0;
  // A child process ended or dropped its connection, once per process:
  // {"target", "pid", "reason", "exit_code", "signal"}; reason is "exited", "signaled",
  // "disconnected", "not_responding" or "ended" (stopped through EndProcess).
  virtual void OnSubprocessExit(const std::string& result) = 0;
};

// Starts helper processes and exchanges named messages (a name and a JSON text) with them over a
// Unix domain socket (docs/bridge-ipc.md).
class IBridgeIPCService {
 public:
  // Results of SendIPCMessage.
  static constexpr int kOk = 0;
  static constexpr int kInvalidMessage = -1;        // empty, reserved or oversized name or text
  static constexpr int kNoProcess = -2;             // no child process to receive it
  static constexpr int kInvalidCreateRequest = -3;  // "kovani:create_sub_process" without a usable program
  static constexpr int kUnavailable = -4;           // the service could not set up its socket
  static constexpr int kBacklogFull = -5;           // a child has not taken what was sent before

  static constexpr char kCreateSubprocessMessage[] = "kovani:create_sub_process";

  virtual ~IBridgeIPCService() = default;

  // Adds event names for `delegate` (not owned; unregister it before it goes away). Every
  // registered delegate also hears OnSubprocessCreate and OnSubprocessExit.
  virtual bool RegisterEventDelegate(IBridgeIPCEventDelegate* delegate, const std::vector<std::string>& event_names) = 0;
  virtual void UnregisterEventDelegate(IBridgeIPCEventDelegate* delegate) = 0;

  // "kovani:create_sub_process" starts a program (its JSON fields are described in
  // docs/bridge-ipc.md) and answers through OnSubprocessCreate. Any other name goes to every
  // child process that is running, in the order sent; messages for a child that has not
  // connected yet wait for it. Thread-safe.
  virtual int SendIPCMessage(const std::string& name, const std::string& json_text) = 0;

  // Whether a child of this target was started and has not been reported as ended.
  virtual bool IsProcessRunning(const std::string& target) = 0;
  // Asks the target's processes to end (SIGTERM, then SIGKILL after a grace period); false when
  // none runs. Each is reported through OnSubprocessExit with reason "ended".
  virtual bool EndProcess(const std::string& target) = 0;
};

namespace utils::service {
// The host's bridge IPC service (one per process).
std::shared_ptr<IBridgeIPCService> GetBridgeIPCService();
}  // namespace utils::service

}  // namespace kovanisdk
