#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "host/base/location.h"

namespace base::threading {

class Looper;

// A one-shot or repeating timer. It fires on the looper of the thread that created it (the main
// looper when that thread has none). Stopping it, restarting it or destroying it cancels the
// pending tick and takes it off the looper; a tick never runs after Stop() returned on the timer's
// own looper. Destroying it leaves the looper alone once the looper is no longer installed (it may
// be gone); the tick left there then finds the timer gone and does nothing.
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  Timer(std::function<void()> task, Looper* looper, const Location& from);
  ~Timer();

  void Start(int64_t delay_ms, bool repeating);
  void Stop();
  bool IsRunning() const;
  int64_t delay_ms() const;

 private:
  void Schedule(uint64_t generation, int64_t due_ms);
  void Fire(uint64_t generation);
  // Takes the queued tick off the looper.
  void CancelTick();

  std::function<void()> task_;
  Looper* looper_;
  Location from_;
  mutable std::mutex mutex_;
  uint64_t generation_ = 0;
  bool running_ = false;
  bool repeating_ = false;
  int64_t delay_ms_ = 0;
  int64_t next_due_ms_ = 0;
  uint64_t tick_ = UINT64_MAX;
};

std::shared_ptr<Timer> CreateTimer(std::function<void()> task, const Location& from);

}  // namespace base::threading
