#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace base::net {

// Waits for socket readiness on a thread of its own (epoll) and reports it, so that the sockets'
// owner can do the actual work on its looper. A reported socket stays quiet until the owner
// re-arms it, so one readiness is reported once however long the owner takes to get to it.
class SocketWatcher {
 public:
  struct Readiness {
    bool readable = false;
    bool writable = false;
    bool error = false;  // error or hang-up
  };
  // Runs on the watcher thread; it should only hand the event on.
  using ReadyCallback = std::function<void(int fd, Readiness readiness)>;

  // Null when the kernel objects cannot be created.
  static std::unique_ptr<SocketWatcher> Create(ReadyCallback on_ready);
  // Stops and joins the thread; nothing is reported after it returns.
  ~SocketWatcher();
  SocketWatcher(const SocketWatcher&) = delete;
  SocketWatcher& operator=(const SocketWatcher&) = delete;

  // Sets what to wait for on `fd` (adding it when new) and arms it.
  bool Watch(int fd, bool read, bool write);
  void Unwatch(int fd);
  // Arms `fd` again after a report; ignored for sockets no longer watched.
  void Rearm(int fd);
  size_t watched_count() const;

 private:
  SocketWatcher(int epoll_fd, int wake_fd, ReadyCallback on_ready);
  void Loop();
  bool Control(int op, int fd, uint32_t events);

  const int epoll_fd_;
  const int wake_fd_;
  ReadyCallback on_ready_;
  mutable std::mutex mutex_;
  std::map<int, uint32_t> interest_;
  std::thread thread_;
};

}  // namespace base::net
