#include "host/base/threading/timer.h"

#include <utility>

#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"

namespace base::threading {
namespace {

// A looper a timer may still reach: one of the host's installed loopers or the one running this
// thread. A test's looper is uninstalled before it is destroyed.
bool IsLive(const Looper* looper) {
  return looper && (looper == LooperThread::MainLooper() || looper == LooperThread::WorkerLooper() ||
                    looper == LooperThread::IOLooper() || looper == LooperThread::CurrentLooper());
}

}  // namespace

Timer::Timer(std::function<void()> task, Looper* looper, const Location& from)
    : task_(std::move(task)), looper_(looper), from_(from) {}

Timer::~Timer() {
  if (IsLive(looper_)) CancelTick();
}

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
  CancelTick();
  Schedule(generation, due);
}

void Timer::Stop() {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    running_ = false;
  }
  CancelTick();
}

void Timer::CancelTick() {
  uint64_t tick;
  {
    std::lock_guard lock(mutex_);
    tick = std::exchange(tick_, Looper::kNoTask);
  }
  if (looper_ && tick != Looper::kNoTask) looper_->Cancel(tick);
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
  const Looper::TaskId tick = looper_->PostDelayedTask(
      [weak, generation] {
        if (auto self = weak.lock()) self->Fire(generation);
      },
      due_ms - clock::SteadyMs(), from_);
  std::lock_guard lock(mutex_);
  tick_ = tick;
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
