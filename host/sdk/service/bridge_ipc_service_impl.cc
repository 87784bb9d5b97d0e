#include "host/sdk/service/bridge_ipc_service_impl.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"
#include "host/sdk/bridge/bridge_ipc_client.h"

namespace kovanisdk::service {
namespace {

constexpr size_t kReadChunk = 256 * 1024;
constexpr int kReadsPerWakeup = 16;  // then other connections get their turn
constexpr size_t kMaxBacklog = 512u * 1024 * 1024;
constexpr int kExitPollMs = 100;  // only where the kernel has no pidfd

std::string RandomToken() {
  unsigned char bytes[16];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // getrandom does not fail for 16 bytes once the pool is ready; keep the token unguessable anyway.
    for (auto& b : bytes) b = static_cast<unsigned char>(std::rand());
  }
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

std::string SocketBaseDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  // sun_path holds 108 bytes; leave room for "/quickrec-bridge-XXXXXX/bridge.sock".
  if (runtime && runtime[0] == '/' && std::strlen(runtime) < 60) return runtime;
  return "/tmp";
}

int64_t Now() { return base::clock::SteadyMs(); }

}  // namespace

BridgeIPCServiceImpl::BridgeIPCServiceImpl() = default;

BridgeIPCServiceImpl::~BridgeIPCServiceImpl() { Shutdown(); }

bool BridgeIPCServiceImpl::RegisterEventDelegate(IBridgeIPCEventDelegate* delegate,
                                                 const std::vector<std::string>& event_names) {
  if (!delegate) return false;
  std::lock_guard lock(mutex_);
  delegates_[delegate].insert(event_names.begin(), event_names.end());
  return true;
}

void BridgeIPCServiceImpl::UnregisterEventDelegate(IBridgeIPCEventDelegate* delegate) {
  std::lock_guard lock(mutex_);
  delegates_.erase(delegate);
}

int BridgeIPCServiceImpl::SendIPCMessage(const std::string& name, const std::string& json_text) {
  if (name == kCreateSubprocessMessage) return CreateSubprocess(json_text);
  if (!bridge::IsValidFrame(name, json_text) || name.rfind(bridge::kReservedPrefix, 0) == 0) {
    KLOG(1) << "bridge message refused: name '" << name << "', " << json_text.size() << " bytes";
    return kInvalidMessage;
  }
  const std::string frame = bridge::EncodeFrame(name, json_text);
  std::lock_guard lock(mutex_);
  std::vector<Child*> receivers;
  for (auto& [pid, child] : children_) {
    if (child->exit_reported || child->disconnected) continue;
    const Connection& c = child->connection;
    if (c.outbox.size() - c.outbox_sent + frame.size() > kMaxBacklog) {
      KLOG(1) << "bridge message '" << name << "' refused: pid " << pid << " has not taken what was sent before";
      return kBacklogFull;
    }
    receivers.push_back(child.get());
  }
  if (receivers.empty()) {
    KLOG(3) << "bridge message '" << name << "' has no process to go to";
    return kNoProcess;
  }
  for (Child* child : receivers) QueueLocked(child->connection, frame);
  Wake();
  return kOk;
}

bool BridgeIPCServiceImpl::IsProcessRunning(const std::string& target) {
  std::lock_guard lock(mutex_);
  return std::any_of(children_.begin(), children_.end(), [&](const auto& entry) {
    return entry.second->request.target == target && !entry.second->exit_reported;
  });
}

bool BridgeIPCServiceImpl::EndProcess(const std::string& target) {
  std::lock_guard lock(mutex_);
  bool any = false;
  for (auto& [pid, child] : children_) {
    if (child->request.target != target || child->exit_reported) continue;
    TerminateLocked(*child, "ended", Now());
    any = true;
  }
  if (any) Wake();
  return any;
}

int BridgeIPCServiceImpl::CreateSubprocess(const std::string& text) {
  SubprocessRequest request;
  std::string error;
  if (!SubprocessRequest::FromJson(text, &request, &error)) {
    KLOG(1) << "create sub process refused: " << error;
    return kInvalidCreateRequest;
  }
  std::lock_guard lock(mutex_);
  if (!EnsureStartedLocked()) return kUnavailable;
  auto answer = [this, target = request.target](int errorcode, pid_t pid) {
    base::json::JsonValue result = base::json::JsonValue::Object();
    result.SetJsonObject("target", target);
    result.SetJsonObject("errorcode", errorcode);
    result.SetJsonObject("pid", static_cast<int64_t>(pid));
    PostToDelegates("", [text = result.ToCompactString()](IBridgeIPCEventDelegate* d) { d->OnSubprocessCreate(text); });
  };
  for (auto& [pid, child] : children_) {
    if (child->request.target == request.target && !child->exit_reported) {
      KLOG(3) << "target " << request.target << " already runs as pid " << pid;
      answer(EEXIST, pid);
      return kOk;
    }
  }
  auto child = std::make_unique<Child>();
  child->token = RandomToken();
  const std::vector<std::string> environment{
      std::string(bridge::kSocketEnv) + "=" + socket_path_,
      std::string(bridge::kTokenEnv) + "=" + child->token,
      std::string(bridge::kTargetEnv) + "=" + request.target,
  };
  pid_t pid = -1;
  const int rc = SubprocessLauncher::Spawn(request, environment, &pid);
  // Answered before the child is known to the I/O thread, so nothing of it can overtake this.
  answer(rc, rc == 0 ? pid : -1);
  if (rc != 0) return kOk;
  child->pid = pid;
  child->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  child->request = std::move(request);
  children_[pid] = std::move(child);
  Wake();
  return kOk;
}

bool BridgeIPCServiceImpl::EnsureStartedLocked() {
  if (started_) return listen_fd_ >= 0;
  started_ = true;
  std::string dir = SocketBaseDirectory() + "/quickrec-bridge-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    KLOG(1) << "bridge: cannot create a socket directory: errno " << errno;
    return false;
  }
  socket_dir_ = dir;
  socket_path_ = dir + "/bridge.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path_.data(), socket_path_.size());
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (listen_fd_ < 0 || wake_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listen_fd_, 16) != 0) {
    KLOG(1) << "bridge: cannot listen on " << socket_path_ << ": errno " << errno;
    if (listen_fd_ >= 0) ::close(listen_fd_);
    listen_fd_ = -1;
    return false;
  }
  KLOG(6) << "bridge: listening on " << socket_path_;
  io_thread_ = std::thread([this] { IoLoop(); });
  return true;
}

void BridgeIPCServiceImpl::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  Wake();
  if (io_thread_.joinable()) io_thread_.join();
  std::lock_guard lock(mutex_);
  for (auto& [pid, child] : children_) {
    if (!child->request.detach && !child->exit_reported) ::kill(pid, SIGTERM);
    CloseConnection(child->connection);
    if (child->pidfd >= 0) ::close(child->pidfd);
  }
  children_.clear();
  for (auto& [fd, connection] : strangers_) CloseConnection(*connection);
  strangers_.clear();
  if (listen_fd_ >= 0) ::close(listen_fd_);
  if (wake_fd_ >= 0) ::close(wake_fd_);
  listen_fd_ = wake_fd_ = -1;
  if (!socket_path_.empty()) {
    ::unlink(socket_path_.c_str());
    ::rmdir(socket_dir_.c_str());
  }
}

void BridgeIPCServiceImpl::Wake() {
  if (wake_fd_ < 0) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

void BridgeIPCServiceImpl::IoLoop() {
  enum Kind { kListen, kWake, kStranger, kChildSocket, kChildExit };
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<std::pair<Kind, int>> tags;  // (kind, fd or pid)
    int timeout_ms = 1000;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      const int64_t now = Now();
      auto until = [&](int64_t due) { timeout_ms = static_cast<int>(std::clamp<int64_t>(due - now, 0, timeout_ms)); };
      fds.push_back({listen_fd_, POLLIN, 0});
      tags.emplace_back(kListen, listen_fd_);
      fds.push_back({wake_fd_, POLLIN, 0});
      tags.emplace_back(kWake, wake_fd_);
      for (auto& [fd, connection] : strangers_) {
        fds.push_back({fd, POLLIN, 0});
        tags.emplace_back(kStranger, fd);
        until(connection->opened_ms + kHelloTimeoutMs);
      }
      for (auto& [pid, child] : children_) {
        const Connection& c = child->connection;
        if (c.fd >= 0) {
          fds.push_back({c.fd, static_cast<short>(POLLIN | (c.outbox_sent < c.outbox.size() ? POLLOUT : 0)), 0});
          tags.emplace_back(kChildSocket, pid);
        }
        if (child->pidfd >= 0) {
          fds.push_back({child->pidfd, POLLIN, 0});
          tags.emplace_back(kChildExit, pid);
        } else {
          until(now + kExitPollMs);
        }
        const int64_t anr = child->request.anr_timeout_ms;
        if (child->connected && anr > 0 && child->kill_reason.empty()) {
          until(std::min(child->last_ping_ms + anr / 4, child->last_heard_ms + anr + 1));
        }
        if (child->disconnected && !child->exit_reported) until(child->disconnected_ms + kDisconnectGraceMs);
        if (child->kill_deadline_ms) until(child->kill_deadline_ms);
      }
    }
    const int ready = ::poll(fds.data(), fds.size(), timeout_ms);
    if (ready < 0 && errno != EINTR) {
      KLOG(1) << "bridge: poll failed: errno " << errno;
      return;
    }
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    const int64_t now = Now();
    for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      const auto [kind, key] = tags[i];
      switch (kind) {
        case kListen:
          HandleListenLocked();
          break;
        case kWake: {
          uint64_t count;
          [[maybe_unused]] const ssize_t n = ::read(wake_fd_, &count, sizeof count);
          break;
        }
        case kStranger:
          if (strangers_.contains(key)) HandleStrangerLocked(key, now);
          break;
        case kChildSocket:
          if (auto it = children_.find(key); it != children_.end()) {
            if (fds[i].revents & POLLOUT) HandleChildWritableLocked(*it->second);
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) HandleChildReadableLocked(*it->second, now);
          }
          break;
        case kChildExit:
          if (children_.contains(key)) ReapLocked(*children_[key]);
          break;
      }
    }
    CheckTimersLocked(now);
  }
}

void BridgeIPCServiceImpl::HandleListenLocked() {
  for (;;) {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    connection->opened_ms = Now();
    strangers_[fd] = std::move(connection);
  }
}

void BridgeIPCServiceImpl::HandleStrangerLocked(int fd, int64_t now) {
  Connection& stranger = *strangers_[fd];
  char buffer[4096];
  const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  bridge::BridgeFrame hello;
  if (n > 0) stranger.reader.Append(buffer, static_cast<size_t>(n));
  const auto status = n > 0 ? stranger.reader.Next(&hello) : bridge::BridgeFrameReader::Status::kError;
  if (status == bridge::BridgeFrameReader::Status::kNeedMore) return;
  Child* owner = nullptr;
  if (status == bridge::BridgeFrameReader::Status::kFrame && hello.name == bridge::kHelloName) {
    const std::string token = base::json::JsonValue::Parse(hello.text)["token"].AsString();
    for (auto& [pid, child] : children_) {
      if (!token.empty() && child->token == token && !child->connected && !child->disconnected && !child->exit_reported) {
        owner = child.get();
      }
    }
  }
  if (!owner) {
    KLOG(3) << "bridge: a connection without a valid hello was closed";
    CloseConnection(stranger);
    strangers_.erase(fd);
    return;
  }
  // Messages sent while the child was starting wait in its outbox; keep them in front.
  std::string waiting = std::move(owner->connection.outbox);
  owner->connection = std::move(stranger);
  owner->connection.outbox = std::move(waiting);
  owner->connection.outbox_sent = 0;
  strangers_.erase(fd);
  owner->connected = true;
  owner->last_heard_ms = owner->last_ping_ms = now;
  KLOG(6) << "bridge: target " << owner->request.target << " (pid " << owner->pid << ") connected";
  HandleFramesLocked(*owner, now);
  if (owner->connected) HandleChildWritableLocked(*owner);
}

void BridgeIPCServiceImpl::HandleChildReadableLocked(Child& child, int64_t now) {
  Connection& c = child.connection;
  std::string buffer(kReadChunk, '\0');
  for (int i = 0; i < kReadsPerWakeup && c.fd >= 0; ++i) {
    const ssize_t n = ::recv(c.fd, buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) {
      DisconnectLocked(child, now, n == 0 ? "closed by the process" : "read error");
      return;
    }
    c.reader.Append(buffer.data(), static_cast<size_t>(n));
    HandleFramesLocked(child, now);
  }
}

void BridgeIPCServiceImpl::HandleFramesLocked(Child& child, int64_t now) {
  bridge::BridgeFrame frame;
  for (;;) {
    const auto status = child.connection.reader.Next(&frame);
    if (status == bridge::BridgeFrameReader::Status::kNeedMore) return;
    if (status == bridge::BridgeFrameReader::Status::kError) {
      DisconnectLocked(child, now, "sent something that is not a bridge frame");
      return;
    }
    child.last_heard_ms = now;
    if (frame.name.rfind(bridge::kReservedPrefix, 0) == 0) continue;  // pong, repeated hello
    auto text = std::make_shared<const std::string>(std::move(frame.text));
    PostToDelegates(frame.name, [name = frame.name, text](IBridgeIPCEventDelegate* d) { d->OnBridgeIPCEvent(name, *text); });
  }
}

void BridgeIPCServiceImpl::HandleChildWritableLocked(Child& child) {
  Connection& c = child.connection;
  while (c.fd >= 0 && c.outbox_sent < c.outbox.size()) {
    const ssize_t n = ::send(c.fd, c.outbox.data() + c.outbox_sent, c.outbox.size() - c.outbox_sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) {
      DisconnectLocked(child, Now(), "write error");
      return;
    }
    c.outbox_sent += static_cast<size_t>(n);
  }
  c.outbox.clear();
  c.outbox_sent = 0;
}

void BridgeIPCServiceImpl::QueueLocked(Connection& connection, const std::string& frame) {
  if (connection.outbox_sent > 0 && connection.outbox_sent >= connection.outbox.size() / 2) {
    connection.outbox.erase(0, connection.outbox_sent);
    connection.outbox_sent = 0;
  }
  connection.outbox += frame;
}

void BridgeIPCServiceImpl::DisconnectLocked(Child& child, int64_t now, const char* why) {
  KLOG(3) << "bridge: target " << child.request.target << " (pid " << child.pid << ") connection ended: " << why;
  CloseConnection(child.connection);
  child.connected = false;
  child.disconnected = true;
  child.disconnected_ms = now;
}

void BridgeIPCServiceImpl::CloseConnection(Connection& connection) {
  if (connection.fd >= 0) ::close(connection.fd);
  connection.fd = -1;
  connection.outbox.clear();
  connection.outbox_sent = 0;
}

void BridgeIPCServiceImpl::TerminateLocked(Child& child, const std::string& reason, int64_t now) {
  if (!child.kill_reason.empty()) return;
  child.kill_reason = reason;
  child.kill_deadline_ms = now + kTerminateGraceMs;
  ::kill(child.pid, SIGTERM);
}

void BridgeIPCServiceImpl::ReapLocked(Child& child) {
  int status = 0;
  if (::waitpid(child.pid, &status, WNOHANG) != child.pid) return;
  std::string reason = child.kill_reason;
  if (reason.empty()) reason = WIFSIGNALED(status) ? "signaled" : "exited";
  ReportExitLocked(child, reason, WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  CloseConnection(child.connection);
  if (child.pidfd >= 0) ::close(child.pidfd);
  children_.erase(child.pid);
}

void BridgeIPCServiceImpl::CheckTimersLocked(int64_t now) {
  for (auto it = strangers_.begin(); it != strangers_.end();) {
    if (now - it->second->opened_ms >= kHelloTimeoutMs) {
      CloseConnection(*it->second);
      it = strangers_.erase(it);
    } else {
      ++it;
    }
  }
  std::vector<pid_t> pids;
  for (const auto& [pid, child] : children_) pids.push_back(pid);
  for (pid_t pid : pids) {
    Child& child = *children_[pid];
    if (child.disconnected && !child.exit_reported && now - child.disconnected_ms >= kDisconnectGraceMs) {
      ReportExitLocked(child, "disconnected", -1, 0);
      TerminateLocked(child, "disconnected", now);
    }
    const int64_t anr = child.request.anr_timeout_ms;
    if (child.connected && anr > 0 && child.kill_reason.empty()) {
      if (now - child.last_heard_ms > anr) {
        KLOG(1) << "bridge: target " << child.request.target << " (pid " << pid << ") did not answer for " << anr
                << " ms; killing it";
        child.kill_reason = "not_responding";
        ::kill(pid, SIGKILL);
      } else if (now - child.last_ping_ms >= anr / 4) {
        QueueLocked(child.connection, bridge::EncodeFrame(bridge::kPingName, std::to_string(now)));
        child.last_ping_ms = now;
        HandleChildWritableLocked(child);
      }
    }
    if (child.kill_deadline_ms && now >= child.kill_deadline_ms) {
      ::kill(pid, SIGKILL);
      child.kill_deadline_ms = 0;
    }
    if (child.pidfd < 0) ReapLocked(child);  // may erase the child: nothing after this
  }
}

void BridgeIPCServiceImpl::ReportExitLocked(Child& child, const std::string& reason, int exit_code, int signal) {
  if (child.exit_reported) return;
  child.exit_reported = true;
  KLOG(6) << "bridge: target " << child.request.target << " (pid " << child.pid << ") ended: " << reason;
  base::json::JsonValue result = base::json::JsonValue::Object();
  result.SetJsonObject("target", child.request.target);
  result.SetJsonObject("pid", static_cast<int64_t>(child.pid));
  result.SetJsonObject("reason", reason);
  result.SetJsonObject("exit_code", exit_code);
  result.SetJsonObject("signal", signal);
  PostToDelegates("", [text = result.ToCompactString()](IBridgeIPCEventDelegate* d) { d->OnSubprocessExit(text); });
}

void BridgeIPCServiceImpl::PostToDelegates(const std::string& name, std::function<void(IBridgeIPCEventDelegate*)> call) {
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (!main) {
    KLOG(3) << "bridge: no main looper; event dropped " << name;
    return;
  }
  main->PostTask(
      [weak = weak_from_this(), name, call = std::move(call)] {
        auto self = weak.lock();
        if (!self) return;
        std::vector<IBridgeIPCEventDelegate*> delegates;
        {
          std::lock_guard lock(self->mutex_);
          for (const auto& [delegate, names] : self->delegates_) {
            if (name.empty() || names.contains(name)) delegates.push_back(delegate);
          }
        }
        for (IBridgeIPCEventDelegate* delegate : delegates) {
          // An earlier delegate may have unregistered this one.
          {
            std::lock_guard lock(self->mutex_);
            if (!self->delegates_.contains(delegate)) continue;
          }
          call(delegate);
        }
      },
      FROM_HERE);
}

}  // namespace kovanisdk::service

namespace kovanisdk::utils::service {

namespace {
using kovanisdk::service::BridgeIPCServiceImpl;

// Lives until process exit, when its children that are not detached are asked to end.
std::shared_ptr<BridgeIPCServiceImpl>& Instance() {
  static auto* instance = new std::shared_ptr<BridgeIPCServiceImpl>(std::make_shared<BridgeIPCServiceImpl>());
  return *instance;
}
}  // namespace

std::shared_ptr<IBridgeIPCService> GetBridgeIPCService() {
  static const bool shutdown_registered = std::atexit([] { Instance()->Shutdown(); }) == 0;
  (void)shutdown_registered;
  return Instance();
}

}  // namespace kovanisdk::utils::service
