#pragma once

#include <atomic>
#include <cstdint>

// The one source of time for loopers, timers and everything that measures durations.
// Tests swap in a mock clock through the task environment.
namespace base {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic milliseconds; only differences mean something.
  virtual int64_t SteadyMs() const = 0;
  // Milliseconds since the Unix epoch.
  virtual int64_t WallMs() const = 0;
};

class SystemClock : public Clock {
 public:
  int64_t SteadyMs() const override;
  int64_t WallMs() const override;
};

// Advanced only by hand; wall time moves together with steady time.
class MockClock : public Clock {
 public:
  explicit MockClock(int64_t wall_start_ms = 1'780'000'000'000) : wall_offset_(wall_start_ms) {}
  int64_t SteadyMs() const override { return now_.load(); }
  int64_t WallMs() const override { return wall_offset_.load() + now_.load(); }
  void Advance(int64_t ms) { now_ += ms; }
  void SetSteady(int64_t ms) { now_ = ms; }
  void SetWallMs(int64_t wall_ms) { wall_offset_ = wall_ms - now_.load(); }

 private:
  std::atomic<int64_t> now_{0};
  std::atomic<int64_t> wall_offset_;
};

namespace clock {
const Clock& Get();
int64_t SteadyMs();
int64_t WallMs();
int64_t WallSeconds();
// The back end's clock minus ours, learned from responses.
void SetServerOffsetMs(int64_t offset_ms);
int64_t ServerMs();
// Installs a clock for tests; nullptr restores the system clock.
void SetForTesting(const Clock* clock);
}  // namespace clock

}  // namespace base
