#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qr_backend {

// Runs a task on a thread of its own every `interval` until Stop(). The task runs on that
// thread only and must not call Stop(); Stop() waits for a run in progress and may be called
// from any other thread, more than once.
class PeriodicTask {
 public:
  PeriodicTask(std::chrono::milliseconds interval, std::function<void()> task);
  ~PeriodicTask();
  PeriodicTask(const PeriodicTask&) = delete;
  PeriodicTask& operator=(const PeriodicTask&) = delete;

  void Stop();

 private:
  void Run();

  const std::chrono::milliseconds interval_;
  const std::function<void()> task_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::once_flag joined_;
  std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace qr_backend
