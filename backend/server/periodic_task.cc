#include "server/periodic_task.h"

namespace qr_backend {

PeriodicTask::PeriodicTask(std::chrono::milliseconds interval, std::function<void()> task)
    : interval_(interval), task_(std::move(task)), thread_([this] { Run(); }) {}

PeriodicTask::~PeriodicTask() { Stop(); }

void PeriodicTask::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  // Concurrent callers all return once the thread has ended.
  std::call_once(joined_, [this] { thread_.join(); });
}

void PeriodicTask::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    lock.unlock();
    task_();
    lock.lock();
  }
}

}  // namespace qr_backend
