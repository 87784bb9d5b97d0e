#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "host/base/threading/looper.h"

namespace base::threading {

// The loopers of a real host process: the main looper belongs to the thread that creates this
// object; worker and I/O loopers run on threads of their own. Installed for LooperThread while
// alive.
class HostLoopers {
 public:
  HostLoopers();
  ~HostLoopers();
  HostLoopers(const HostLoopers&) = delete;
  HostLoopers& operator=(const HostLoopers&) = delete;

  // Runs main-looper tasks until QuitMainLoop().
  void RunMainLoop();
  void QuitMainLoop();
  // Runs main-looper tasks until `done` answers true (checked after each task and every few
  // milliseconds) or the time-out passes; returns whether `done` was reached.
  bool RunMainLoopUntil(const std::function<bool()>& done, int64_t timeout_ms);

 private:
  Looper main_{"main"};
  Looper worker_{"worker"};
  Looper io_{"io"};
  std::thread worker_thread_;
  std::thread io_thread_;
};

}  // namespace base::threading
