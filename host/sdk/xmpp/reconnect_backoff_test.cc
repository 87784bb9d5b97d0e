#include "host/sdk/xmpp/reconnect_backoff.h"

#include <gtest/gtest.h>

namespace KOVANI_SIGNAL {
namespace {

TEST(ReconnectBackoffTest, DoublesUpToTheCeiling) {
  ReconnectBackoff backoff(1000, 60000, [] { return 0.5; });  // no spread
  std::vector<int64_t> delays;
  for (int i = 0; i < 9; ++i) delays.push_back(backoff.NextDelayMs());
  EXPECT_EQ(delays, (std::vector<int64_t>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
}

TEST(ReconnectBackoffTest, ResetStartsOver) {
  ReconnectBackoff backoff(500, 10000, [] { return 0.5; });
  backoff.NextDelayMs();
  backoff.NextDelayMs();
  EXPECT_EQ(backoff.attempts(), 2);
  backoff.Reset();
  EXPECT_EQ(backoff.NextDelayMs(), 500);
}

TEST(ReconnectBackoffTest, SpreadsByAtMostTwentyPercent) {
  ReconnectBackoff low(1000, 60000, [] { return 0.0; });
  ReconnectBackoff high(1000, 60000, [] { return 0.999999; });
  EXPECT_EQ(low.NextDelayMs(), 800);
  EXPECT_EQ(high.NextDelayMs(), 1199);
  ReconnectBackoff real(1000, 60000);
  for (int i = 0; i < 100; ++i) {
    real.Reset();
    const int64_t delay = real.NextDelayMs();
    EXPECT_GE(delay, 800);
    EXPECT_LT(delay, 1200);
  }
}

TEST(ReconnectBackoffTest, NeverAsksForANonPositiveDelay) {
  ReconnectBackoff backoff(0, 0, [] { return 0.0; });
  EXPECT_GE(backoff.NextDelayMs(), 1);
}

}  // namespace
}  // namespace KOVANI_SIGNAL
