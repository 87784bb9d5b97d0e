#include "objects/digest_worker.h"

#include <algorithm>

#include "objects/object_store.h"

namespace qr_backend {

DigestWorker::DigestWorker(ObjectStore& store) : store_(store), thread_([this] { Run(); }) {}

DigestWorker::~DigestWorker() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void DigestWorker::Schedule(const std::string& upload_id) {
  {
    std::lock_guard lock(mutex_);
    // One pass digests every part that is ready, so a queued upload needs no second entry.
    if (std::find(queue_.begin(), queue_.end(), upload_id) != queue_.end()) return;
    queue_.push_back(upload_id);
  }
  changed_.notify_all();
}

void DigestWorker::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || (queue_.empty() && !busy_); });
}

void DigestWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_) break;
    const std::string upload_id = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    while (!stop_ && store_.DigestNextPart(upload_id)) {
    }
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
  busy_ = false;
  changed_.notify_all();
}

}  // namespace qr_backend
