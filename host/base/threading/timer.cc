#include "host/base/threading/timer.h"

#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"

namespace base::threading {

Timer::Timer(std::function<void()> task, Looper* looper, const Location& from)
    : task_(std::move(task)), looper_(looper), from_(from) {}

Timer::~Timer() = default;

void Timer::Start(int64_t delay_ms, bool repeating) {
  uint64_t generation;
  int64_t due;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
    running_ = true;
    repeating_ = repeating;
    delay_ms_ = std::max<int64_t>(delay_ms, 0);
    due = clock::SteadyMs() + delay_ms_;
    next_due_ms_ = due;
  }
  Schedule(generation, due);
}

void Timer::Stop() {
  std::lock_guard lock(mutex_);
  ++generation_;
  running_ = false;
}

bool Timer::IsRunning() const {
  std::lock_guard lock(mutex_);
  return running_;
}

int64_t Timer::delay_ms() const {
  std::lock_guard lock(mutex_);
  return delay_ms_;
}

void Timer::Schedule(uint64_t generation, int64_t due_ms) {
  if (!looper_) return;
  std::weak_ptr<Timer> weak = weak_from_this();
  looper_->PostDelayedTask(
      [weak, generation] {
        if (auto self = weak.lock()) self->Fire(generation);
      },
      due_ms - clock::SteadyMs(), from_);
}

void Timer::Fire(uint64_t generation) {
  int64_t next_due = 0;
  {
    std::lock_guard lock(mutex_);
    if (!running_ || generation != generation_) return;
    if (repeating_) {
      // Scheduling from the intended due time keeps a repeating timer from drifting.
      next_due_ms_ += std::max<int64_t>(delay_ms_, 1);
      next_due = next_due_ms_;
    } else {
      running_ = false;
    }
  }
  if (next_due) Schedule(generation, next_due);
  // Keep ourselves alive while the task runs: it may drop the last reference to this timer.
  auto keep_alive = shared_from_this();
  task_();
}

std::shared_ptr<Timer> CreateTimer(std::function<void()> task, const Location& from) {
  Looper* looper = LooperThread::CurrentLooper();
  if (!looper) looper = LooperThread::MainLooper();
  return std::make_shared<Timer>(std::move(task), looper, from);
}

}  // namespace base::threading
