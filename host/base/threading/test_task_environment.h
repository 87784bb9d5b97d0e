#pragma once

#include <cstdint>

#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"

namespace base::test {

// Mock time for unit tests: the main, worker and I/O loopers all run on the test thread, and the
// clock moves only when the test says so. Tasks run in (due time, posting order) across all
// loopers, so a test is deterministic.
class TestTaskEnvironment {
 public:
  TestTaskEnvironment();
  ~TestTaskEnvironment();
  TestTaskEnvironment(const TestTaskEnvironment&) = delete;
  TestTaskEnvironment& operator=(const TestTaskEnvironment&) = delete;

  // Runs every task that is due now, including the ones those tasks post.
  void RunUntilIdle();
  // Moves the clock forward, running each task when its due time is reached, in time order.
  void FastForwardBy(int64_t ms);
  // Fast-forwards until no task is pending at all (for delayed retries; not with repeating timers).
  void FastForwardUntilNoTasksRemain();

  int64_t NowMs() const { return clock_.SteadyMs(); }
  MockClock& clock() { return clock_; }
  size_t PendingTaskCount() const;

  threading::Looper& main_looper() { return main_; }
  threading::Looper& worker_looper() { return worker_; }
  threading::Looper& io_looper() { return io_; }

 private:
  // The looper whose next task is earliest and due at or before `limit_ms`, or null.
  threading::Looper* NextLooper(int64_t limit_ms);

  MockClock clock_;
  threading::Looper main_{"main"};
  threading::Looper worker_{"worker"};
  threading::Looper io_{"io"};
};

}  // namespace base::test
