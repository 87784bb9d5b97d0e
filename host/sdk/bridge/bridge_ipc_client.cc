#include "host/sdk/bridge/bridge_ipc_client.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/sdk/bridge/bridge_frame.h"

namespace kovanisdk::bridge {

std::unique_ptr<BridgeIPCClient> BridgeIPCClient::ConnectFromEnvironment(Delegate* delegate) {
  const char* socket_path = std::getenv(kSocketEnv);
  const char* token = std::getenv(kTokenEnv);
  const char* target = std::getenv(kTargetEnv);
  if (!socket_path || !token || !target) {
    KLOG(1) << "bridge client: not started by a bridge host (" << kSocketEnv << " unset)";
    return nullptr;
  }
  return Connect(socket_path, token, target, delegate);
}

std::unique_ptr<BridgeIPCClient> BridgeIPCClient::Connect(const std::string& socket_path, const std::string& token,
                                                          const std::string& target, Delegate* delegate) {
  sockaddr_un address{};
  if (!delegate || socket_path.size() >= sizeof address.sun_path) return nullptr;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path.data(), socket_path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    KLOG(1) << "bridge client: cannot connect to " << socket_path << ": errno " << errno;
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<BridgeIPCClient> client(new BridgeIPCClient(fd, delegate));
  base::json::JsonValue hello = base::json::JsonValue::Object();
  hello.SetJsonObject("token", token);
  hello.SetJsonObject("target", target);
  hello.SetJsonObject("pid", static_cast<int64_t>(::getpid()));
  if (!client->SendFrame(std::string(kHelloName), hello.ToCompactString())) return nullptr;
  return client;
}

std::unique_ptr<BridgeIPCClient> BridgeIPCClient::FromConnectedSocket(int fd, Delegate* delegate) {
  if (fd < 0 || !delegate) return nullptr;
  return std::unique_ptr<BridgeIPCClient>(new BridgeIPCClient(fd, delegate));
}

BridgeIPCClient::BridgeIPCClient(int fd, Delegate* delegate)
    : fd_(fd), delegate_(delegate), reader_([this] { ReadLoop(); }) {}

BridgeIPCClient::~BridgeIPCClient() {
  Close();
  ::close(fd_);
}

void BridgeIPCClient::Close() {
  closing_ = true;
  // Wakes the reader out of recv(); the descriptor itself is closed only after it has stopped.
  ::shutdown(fd_, SHUT_RDWR);
  if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id()) reader_.join();
  closed_ = true;
}

bool BridgeIPCClient::Send(const std::string& name, const std::string& text) {
  if (name.rfind(kReservedPrefix, 0) == 0) return false;
  return SendFrame(name, text);
}

bool BridgeIPCClient::SendFrame(const std::string& name, const std::string& text) {
  if (!IsValidFrame(name, text) || closed_) return false;
  const std::string frame = EncodeFrame(name, text);
  std::lock_guard lock(write_mutex_);
  for (size_t sent = 0; sent < frame.size();) {
    const ssize_t n = ::send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void BridgeIPCClient::ReadLoop() {
  BridgeFrameReader reader;
  std::string buffer(256 * 1024, '\0');
  BridgeFrame frame;
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reader.Append(buffer.data(), static_cast<size_t>(n));
    BridgeFrameReader::Status status;
    while ((status = reader.Next(&frame)) == BridgeFrameReader::Status::kFrame) {
      if (frame.name == kPingName) {
        SendFrame(std::string(kPongName), frame.text);
      } else if (frame.name.rfind(kReservedPrefix, 0) != 0) {
        delegate_->OnBridgeMessage(frame.name, frame.text);
      }
    }
    if (status == BridgeFrameReader::Status::kError) {
      KLOG(1) << "bridge client: the host sent something that is not a bridge frame; closing";
      break;
    }
  }
  closed_ = true;
  if (!closing_) delegate_->OnBridgeDisconnected();
}

}  // namespace kovanisdk::bridge
