#pragma once

#include <mutex>
#include <utility>

namespace base {

// A value that is read and written only under its own mutex.
template <typename T, typename Mutex = std::mutex>
class StateHolder {
 public:
  explicit StateHolder(T initial = T{}) : state_(std::move(initial)) {}

  T GetState() const {
    std::lock_guard<Mutex> lock(mutex_);
    return state_;
  }

  void SetState(T state) {
    std::lock_guard<Mutex> lock(mutex_);
    state_ = std::move(state);
  }

  // Runs `f(state&)` under the lock and returns what it returns.
  template <typename F>
  auto WithState(F&& f) const {
    std::lock_guard<Mutex> lock(mutex_);
    return f(state_);
  }

 protected:
  Mutex& state_mutex() const { return mutex_; }

 private:
  mutable Mutex mutex_;
  mutable T state_;
};

}  // namespace base
