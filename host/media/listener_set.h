#pragma once

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kvp::av {

// Listeners called from engine threads. Remove waits until no other thread is in the middle of
// calling listeners, so that a removed listener may be destroyed right away; a listener removed
// from inside a callback on the calling thread is skipped from then on. Do not call Remove while
// holding a lock that a callback takes.
template <typename T>
class ListenerSet {
 public:
  void Add(T* listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
  }

  void Remove(T* listener) {
    std::unique_lock<std::mutex> lock(mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
    const auto self = std::this_thread::get_id();
    idle_.wait(lock, [&] {
      return std::all_of(dispatching_.begin(), dispatching_.end(), [&](std::thread::id id) { return id == self; });
    });
  }

  bool empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return listeners_.empty();
  }

  template <typename Call>
  void Notify(const Call& call) {
    std::vector<T*> snapshot;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (listeners_.empty()) return;
      snapshot = listeners_;
      dispatching_.push_back(std::this_thread::get_id());
    }
    for (T* listener : snapshot) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) continue;
      }
      call(listener);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dispatching_.erase(std::find(dispatching_.begin(), dispatching_.end(), std::this_thread::get_id()));
    }
    idle_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::vector<T*> listeners_;
  std::vector<std::thread::id> dispatching_;
};

}  // namespace kvp::av
