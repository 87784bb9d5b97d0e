#include "host/sdk/cgi/server_time.h"

#include <gtest/gtest.h>

#include "host/base/threading/clock.h"
#include "host/base/threading/test_task_environment.h"

namespace KOVANI_CGI {
namespace {

// Wed, 15 Nov 2023 22:13:20 GMT is 1700086400 s.
constexpr char kDate[] = "Wed, 15 Nov 2023 22:13:20 GMT";
constexpr int64_t kDateMs = 1'700'086'400'000;

class ServerTimeTest : public ::testing::Test {
 protected:
  base::test::TestTaskEnvironment env_;
};

TEST_F(ServerTimeTest, LearnsTheOffsetOfASkewedServer) {
  env_.clock().SetWallMs(kDateMs - 120'000);  // our clock is two minutes behind
  EXPECT_TRUE(LearnServerTime(kDate, base::clock::WallMs()));
  EXPECT_EQ(base::clock::ServerMs(), kDateMs + 500);
}

TEST_F(ServerTimeTest, KeepsAnOffsetThatAgreesWithTheDateSecond) {
  env_.clock().SetWallMs(kDateMs + 900);  // inside the second the header names
  EXPECT_FALSE(LearnServerTime(kDate, base::clock::WallMs()));
  EXPECT_EQ(base::clock::ServerMs(), base::clock::WallMs());
  // Within the tolerance on either side: still no change, so the offset does not jitter.
  EXPECT_FALSE(LearnServerTime(kDate, kDateMs - kServerTimeToleranceMs));
  EXPECT_FALSE(LearnServerTime(kDate, kDateMs + 1000 + kServerTimeToleranceMs - 1));
  EXPECT_TRUE(LearnServerTime(kDate, kDateMs + 1000 + kServerTimeToleranceMs));
}

TEST_F(ServerTimeTest, UsesTheTimeTheHeadersArrivedNotNow) {
  env_.clock().SetWallMs(kDateMs);
  env_.FastForwardBy(60'000);  // the answer is handled a minute after it arrived
  EXPECT_FALSE(LearnServerTime(kDate, kDateMs + 100));
  EXPECT_EQ(base::clock::ServerMs(), base::clock::WallMs());
}

TEST_F(ServerTimeTest, IgnoresMissingOrBrokenHeaders) {
  env_.clock().SetWallMs(kDateMs - 3'600'000);
  EXPECT_FALSE(LearnServerTime("", base::clock::WallMs()));
  EXPECT_FALSE(LearnServerTime("yesterday-ish", base::clock::WallMs()));
  EXPECT_FALSE(LearnServerTime(kDate, 0));
  EXPECT_EQ(base::clock::ServerMs(), base::clock::WallMs());
}

}  // namespace
}  // namespace KOVANI_CGI
