#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kovanisdk::bridge {

// The environment a bridge host gives the processes it starts.
constexpr char kSocketEnv[] = "QUICKREC_BRIDGE_SOCKET";
constexpr char kTokenEnv[] = "QUICKREC_BRIDGE_TOKEN";
constexpr char kTargetEnv[] = "QUICKREC_BRIDGE_TARGET";

// The child's end of the bridge IPC: a process started by the host's bridge service connects
// back with this and exchanges named messages. Messages arrive on the client's own reader thread
// (never on the caller's), in the order the host sent them; the client answers the host's
// liveness pings by itself, so a process whose reader thread runs is never taken for hung.
class BridgeIPCClient {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void OnBridgeMessage(const std::string& name, const std::string& text) = 0;
    // The host closed the connection or went away; called at most once, not after Close().
    virtual void OnBridgeDisconnected() = 0;
  };

  // Connects with the socket, token and target from the environment; null when this process was
  // not started by a bridge host or the connection fails.
  static std::unique_ptr<BridgeIPCClient> ConnectFromEnvironment(Delegate* delegate);
  static std::unique_ptr<BridgeIPCClient> Connect(const std::string& socket_path, const std::string& token,
                                                  const std::string& target, Delegate* delegate);
  // Takes over a connected stream socket (no hello is sent), for tests of the framing.
  static std::unique_ptr<BridgeIPCClient> FromConnectedSocket(int fd, Delegate* delegate);

  ~BridgeIPCClient();
  BridgeIPCClient(const BridgeIPCClient&) = delete;
  BridgeIPCClient& operator=(const BridgeIPCClient&) = delete;

  // Sends one message; blocks until it is handed to the socket. Thread-safe. False when the
  // message is invalid (empty or reserved name, limits) or the connection is gone.
  bool Send(const std::string& name, const std::string& text);
  // Closes the connection and waits for the reader thread; the delegate hears nothing more.
  void Close();
  bool connected() const { return !closed_.load(); }

 private:
  BridgeIPCClient(int fd, Delegate* delegate);
  bool SendFrame(const std::string& name, const std::string& text);
  void ReadLoop();

  const int fd_;
  Delegate* const delegate_;
  std::mutex write_mutex_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> closing_{false};
  std::thread reader_;
};

}  // namespace kovanisdk::bridge
