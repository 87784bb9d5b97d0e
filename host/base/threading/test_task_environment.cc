#include "host/base/threading/test_task_environment.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace base::test {
namespace {
// A task that keeps re-posting itself without delay would spin forever; fail loudly instead.
constexpr size_t kMaxTasksPerRun = 10'000'000;
}  // namespace

TestTaskEnvironment::TestTaskEnvironment() {
  clock::SetForTesting(&clock_);
  clock::SetServerOffsetMs(0);
  threading::LooperThread::Install(&main_, &worker_, &io_);
  main_.BindToCurrentThread();
}

TestTaskEnvironment::~TestTaskEnvironment() {
  threading::LooperThread::Uninstall();
  main_.Clear();
  worker_.Clear();
  io_.Clear();
  clock::SetForTesting(nullptr);
}

threading::Looper* TestTaskEnvironment::NextLooper(int64_t limit_ms) {
  threading::Looper* best = nullptr;
  threading::Looper::Due best_due{std::numeric_limits<int64_t>::max(), std::numeric_limits<uint64_t>::max()};
  for (threading::Looper* looper : {&main_, &worker_, &io_}) {
    auto due = looper->NextDue();
    if (!due || due->due_ms > limit_ms) continue;
    if (due->due_ms < best_due.due_ms || (due->due_ms == best_due.due_ms && due->sequence < best_due.sequence)) {
      best = looper;
      best_due = *due;
    }
  }
  return best;
}

void TestTaskEnvironment::RunUntilIdle() { FastForwardBy(0); }

void TestTaskEnvironment::FastForwardBy(int64_t ms) {
  const int64_t target = clock_.SteadyMs() + ms;
  size_t ran = 0;
  while (threading::Looper* looper = NextLooper(target)) {
    const int64_t due = looper->NextDue()->due_ms;
    if (due > clock_.SteadyMs()) clock_.SetSteady(due);
    looper->RunOneTask(clock_.SteadyMs());
    if (++ran > kMaxTasksPerRun) {
      std::fprintf(stderr, "TestTaskEnvironment: tasks keep posting themselves; giving up\n");
      std::abort();
    }
  }
  clock_.SetSteady(target);
  main_.BindToCurrentThread();
}

void TestTaskEnvironment::FastForwardUntilNoTasksRemain() {
  for (size_t rounds = 0; PendingTaskCount() > 0; ++rounds) {
    if (rounds > kMaxTasksPerRun) {
      std::fprintf(stderr, "TestTaskEnvironment: tasks never run out (a repeating timer?); giving up\n");
      std::abort();
    }
    int64_t next = std::numeric_limits<int64_t>::max();
    for (threading::Looper* looper : {&main_, &worker_, &io_}) {
      if (auto due = looper->NextDue()) next = std::min(next, due->due_ms);
    }
    FastForwardBy(std::max<int64_t>(next - clock_.SteadyMs(), 0));
  }
}

size_t TestTaskEnvironment::PendingTaskCount() const {
  return main_.PendingCount() + worker_.PendingCount() + io_.PendingCount();
}

}  // namespace base::test
