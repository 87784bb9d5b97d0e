#include "host/util/time.h"

#include <gtest/gtest.h>

#include "host/base/threading/clock.h"
#include "host/base/threading/test_task_environment.h"

namespace util::time {
namespace {

TEST(TimeTest, ReadsTheHostClock) {
  base::test::TestTaskEnvironment env;
  env.clock().SetWallMs(1'700'000'000'250);
  EXPECT_EQ(GetTimestampMsec(), 1'700'000'000'250);
  EXPECT_EQ(GetTimestamp(), 1'700'000'000);
  env.FastForwardBy(1'750);
  EXPECT_EQ(GetTimestampMsec(), 1'700'000'002'000);
  EXPECT_EQ(GetTimestamp(), 1'700'000'002);
}

TEST(TimeTest, ServerTimeAddsTheLearnedOffset) {
  base::test::TestTaskEnvironment env;
  env.clock().SetWallMs(1'700'000'000'000);
  EXPECT_EQ(GetServerTimestampMsec(), GetTimestampMsec());
  base::clock::SetServerOffsetMs(-90'000);
  EXPECT_EQ(GetServerTimestampMsec(), 1'699'999'910'000);
  env.FastForwardBy(1'000);
  EXPECT_EQ(GetServerTimestampMsec(), 1'699'999'911'000);
}

}  // namespace
}  // namespace util::time
