#pragma once

#include <cstdint>
#include <functional>

namespace KOVANI_SIGNAL {

// Delays between reconnection attempts: initial, then doubling up to a ceiling, each spread by up
// to ±20 % so that many clients dropped together do not come back together.
class ReconnectBackoff {
 public:
  // `random` answers a value in [0, 1); the default draws from the system's random source.
  ReconnectBackoff(int64_t initial_ms, int64_t max_ms, std::function<double()> random = {});

  int64_t NextDelayMs();
  // After a connection that worked: the next delay is the initial one again.
  void Reset() { attempt_ = 0; }
  int attempts() const { return attempt_; }

 private:
  int64_t initial_ms_;
  int64_t max_ms_;
  std::function<double()> random_;
  int attempt_ = 0;
};

}  // namespace KOVANI_SIGNAL
