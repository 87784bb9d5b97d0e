#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/sdk/bridge/bridge_frame.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/sdk/service/subprocess_launcher.h"

namespace kovanisdk::service {

// The host side of the bridge: a listening Unix socket in a private directory, the child
// processes it started, and one I/O thread that accepts their connections, reads and writes
// frames without blocking (so messages of any size flow both ways at once), pings connected
// children, and watches for their exit (pidfd). Delegates hear everything on the main looper.
class BridgeIPCServiceImpl : public IBridgeIPCService, public std::enable_shared_from_this<BridgeIPCServiceImpl> {
 public:
  // A child that dropped its connection is reported as "disconnected" only if it has not exited
  // within this time, so a crash is reported with its signal.
  static constexpr int64_t kDisconnectGraceMs = 500;
  // After SIGTERM, a child that has not ended gets SIGKILL.
  static constexpr int64_t kTerminateGraceMs = 3000;
  // A connection that does not say hello with a known token in time is closed.
  static constexpr int64_t kHelloTimeoutMs = 10000;

  BridgeIPCServiceImpl();
  ~BridgeIPCServiceImpl() override;

  bool RegisterEventDelegate(IBridgeIPCEventDelegate* delegate, const std::vector<std::string>& event_names) override;
  void UnregisterEventDelegate(IBridgeIPCEventDelegate* delegate) override;
  int SendIPCMessage(const std::string& name, const std::string& json_text) override;
  bool IsProcessRunning(const std::string& target) override;
  bool EndProcess(const std::string& target) override;

  // Stops the I/O thread and ends the children that are not detached (process exit).
  void Shutdown();

 private:
  struct Connection {
    int fd = -1;
    bridge::BridgeFrameReader reader;
    std::string outbox;
    size_t outbox_sent = 0;
    int64_t opened_ms = 0;
  };
  struct Child {
    SubprocessRequest request;
    pid_t pid = -1;
    int pidfd = -1;
    std::string token;
    Connection connection;  // fd -1 until the child says hello
    bool connected = false;
    bool disconnected = false;
    int64_t disconnected_ms = 0;
    int64_t last_heard_ms = 0;
    int64_t last_ping_ms = 0;
    bool exit_reported = false;
    std::string kill_reason;  // why the host is ending it, "" when it is not
    int64_t kill_deadline_ms = 0;
  };

  bool EnsureStartedLocked();
  int CreateSubprocess(const std::string& text);
  void Wake();
  void IoLoop();
  void HandleListenLocked();
  void HandleStrangerLocked(int fd, int64_t now);
  void HandleChildReadableLocked(Child& child, int64_t now);
  void HandleChildWritableLocked(Child& child);
  void HandleFramesLocked(Child& child, int64_t now);
  void ReapLocked(Child& child);
  void CheckTimersLocked(int64_t now);
  void DisconnectLocked(Child& child, int64_t now, const char* why);
  void TerminateLocked(Child& child, const std::string& reason, int64_t now);
  void ReportExitLocked(Child& child, const std::string& reason, int exit_code, int signal);
  void QueueLocked(Connection& connection, const std::string& frame);
  // Posts `call` to the main looper for every delegate registered (for `name`, when not empty)
  // at the time it runs.
  void PostToDelegates(const std::string& name, std::function<void(IBridgeIPCEventDelegate*)> call);
  void CloseConnection(Connection& connection);

  std::mutex mutex_;
  std::map<IBridgeIPCEventDelegate*, std::set<std::string>> delegates_;
  std::map<pid_t, std::unique_ptr<Child>> children_;
  std::map<int, std::unique_ptr<Connection>> strangers_;  // connected, no hello yet; by fd
  bool started_ = false;
  bool stopping_ = false;
  std::string socket_dir_;
  std::string socket_path_;
  int listen_fd_ = -1;
  int wake_fd_ = -1;
  std::thread io_thread_;
};

}  // namespace kovanisdk::service
