#include "host/base/net/socket_watcher.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/base/logging/logger.h"

namespace base::net {

std::unique_ptr<SocketWatcher> SocketWatcher::Create(ReadyCallback on_ready) {
  const int epoll_fd = epoll_create1(EPOLL_CLOEXEC);
  if (epoll_fd < 0) {
    KLOG(1) << "epoll_create1 failed: " << std::strerror(errno);
    return nullptr;
  }
  const int wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd < 0) {
    KLOG(1) << "eventfd failed: " << std::strerror(errno);
    close(epoll_fd);
    return nullptr;
  }
  epoll_event wake{};
  wake.events = EPOLLIN;
  wake.data.fd = wake_fd;
  if (epoll_ctl(epoll_fd, EPOLL_CTL_ADD, wake_fd, &wake) != 0) {
    KLOG(1) << "epoll_ctl for the wake-up descriptor failed: " << std::strerror(errno);
    close(wake_fd);
    close(epoll_fd);
    return nullptr;
  }
  return std::unique_ptr<SocketWatcher>(new SocketWatcher(epoll_fd, wake_fd, std::move(on_ready)));
}

SocketWatcher::SocketWatcher(int epoll_fd, int wake_fd, ReadyCallback on_ready)
    : epoll_fd_(epoll_fd), wake_fd_(wake_fd), on_ready_(std::move(on_ready)) {
  thread_ = std::thread([this] { Loop(); });
}

SocketWatcher::~SocketWatcher() {
  const uint64_t one = 1;
  if (write(wake_fd_, &one, sizeof(one)) != sizeof(one)) {
    KLOG(1) << "cannot wake the socket watcher: " << std::strerror(errno);
  }
  thread_.join();
  close(wake_fd_);
  close(epoll_fd_);
}

void SocketWatcher::Loop() {
  epoll_event events[32];
  for (;;) {
    const int count = epoll_wait(epoll_fd_, events, 32, -1);
    if (count < 0) {
      if (errno == EINTR) continue;
      KLOG(1) << "epoll_wait failed: " << std::strerror(errno);
      return;
    }
    for (int i = 0; i < count; ++i) {
      if (events[i].data.fd == wake_fd_) return;
      const uint32_t got = events[i].events;
      on_ready_(events[i].data.fd,
                Readiness{(got & EPOLLIN) != 0, (got & EPOLLOUT) != 0,
                          (got & (EPOLLERR | EPOLLHUP)) != 0});
    }
  }
}

bool SocketWatcher::Control(int op, int fd, uint32_t events) {
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  if (epoll_ctl(epoll_fd_, op, fd, &event) == 0) return true;
  // A descriptor number can come back for a new socket before we saw the old one go.
  if (op == EPOLL_CTL_ADD && errno == EEXIST) return epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, fd, &event) == 0;
  if (op == EPOLL_CTL_MOD && errno == ENOENT) return epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &event) == 0;
  return false;
}

bool SocketWatcher::Watch(int fd, bool read, bool write) {
  const uint32_t events = EPOLLONESHOT | (read ? EPOLLIN : 0u) | (write ? EPOLLOUT : 0u);
  std::lock_guard lock(mutex_);
  const bool known = interest_.count(fd) > 0;
  if (!Control(known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, events)) {
    KLOG(1) << "cannot watch socket " << fd << ": " << std::strerror(errno);
    return false;
  }
  interest_[fd] = events;
  return true;
}

void SocketWatcher::Unwatch(int fd) {
  std::lock_guard lock(mutex_);
  if (interest_.erase(fd) == 0) return;
  // The socket may already be closed, which removed it from the set by itself.
  epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fd, nullptr);
}

void SocketWatcher::Rearm(int fd) {
  std::lock_guard lock(mutex_);
  auto it = interest_.find(fd);
  if (it == interest_.end()) return;
  if (!Control(EPOLL_CTL_MOD, fd, it->second)) {
    KLOG(3) << "cannot re-arm socket " << fd << ": " << std::strerror(errno);
  }
}

size_t SocketWatcher::watched_count() const {
  std::lock_guard lock(mutex_);
  return interest_.size();
}

}  // namespace base::net
