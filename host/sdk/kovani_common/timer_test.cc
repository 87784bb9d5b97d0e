#include "host/sdk/kovani_common/timer.h"

#include <gtest/gtest.h>

#include "host/base/threading/test_task_environment.h"

namespace kovani_common::utils::timer {
namespace {

TEST(KovaniTimerTest, OneShotFiresOnceAfterItsDelay) {
  base::test::TestTaskEnvironment env;
  int fired = 0;
  auto timer = CreateTimer(15000, false, [&] { ++fired; }, FROM_HERE);
  env.FastForwardBy(14999);
  EXPECT_EQ(fired, 0);
  env.FastForwardBy(1);
  EXPECT_EQ(fired, 1);
  env.FastForwardBy(60000);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(timer->IsRunning());
}

TEST(KovaniTimerTest, RepeatingTimerRunsOnTheCreatorsLooperUntilStopped) {
  base::test::TestTaskEnvironment env;
  std::vector<base::threading::Looper*> loopers;
  std::shared_ptr<base::threading::Timer> timer;
  env.worker_looper().PostTask(
      [&] {
        timer = CreateTimer(2000, true, [&] { loopers.push_back(base::threading::LooperThread::CurrentLooper()); },
                            FROM_HERE);
      },
      FROM_HERE);
  env.FastForwardBy(6000);
  ASSERT_EQ(loopers.size(), 3u);
  for (auto* looper : loopers) EXPECT_EQ(looper, &env.worker_looper());
  timer->Stop();
  env.FastForwardBy(10000);
  EXPECT_EQ(loopers.size(), 3u);
}

TEST(KovaniTimerTest, DroppingTheTimerCancelsIt) {
  base::test::TestTaskEnvironment env;
  int fired = 0;
  auto timer = CreateTimer(1000, true, [&] { ++fired; }, FROM_HERE);
  timer.reset();
  env.FastForwardBy(5000);
  EXPECT_EQ(fired, 0);
}

}  // namespace
}  // namespace kovani_common::utils::timer
