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
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
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
