#include "host/sdk/xmpp/reconnect_backoff.h"

#include <algorithm>
#include <random>

namespace KOVANI_SIGNAL {

ReconnectBackoff::ReconnectBackoff(int64_t initial_ms, int64_t max_ms, std::function<double()> random)
    : initial_ms_(std::max<int64_t>(initial_ms, 1)),
      max_ms_(std::max(max_ms, initial_ms_)),
      random_(std::move(random)) {
  if (!random_) {
    random_ = [engine = std::minstd_rand(std::random_device()())]() mutable {
      return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
    };
  }
}

int64_t ReconnectBackoff::NextDelayMs() {
  int64_t base = initial_ms_;
  for (int i = 0; i < attempt_ && base < max_ms_; ++i) base *= 2;
  base = std::min(base, max_ms_);
  ++attempt_;
  const double spread = 0.8 + 0.4 * random_();
  return std::max<int64_t>(1, static_cast<int64_t>(static_cast<double>(base) * spread));
}

}  // namespace KOVANI_SIGNAL
