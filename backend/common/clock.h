#pragma once

#include <atomic>
#include <cstdint>

namespace qr_backend {

// Wall-clock seconds behind an interface, so that expiry and replay windows are tested by
// moving a clock instead of sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowSeconds() const = 0;
  // For orders finer than a second (views, notices).
  virtual int64_t NowMillis() const { return NowSeconds() * 1000; }
};

class SystemClock final : public Clock {
 public:
  int64_t NowSeconds() const override;
  int64_t NowMillis() const override;
};

class ManualClock final : public Clock {
 public:
  explicit ManualClock(int64_t now) : now_(now) {}
  int64_t NowSeconds() const override { return now_.load(); }
  void Set(int64_t now) { now_.store(now); }
  void Advance(int64_t seconds) { now_.fetch_add(seconds); }

 private:
  std::atomic<int64_t> now_;
};

}  // namespace qr_backend
