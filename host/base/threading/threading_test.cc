#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/base/async/async.h"
#include "host/base/async/async_task_scope.h"
#include "host/base/memory/singleton_shared_allocator.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/host_loopers.h"
#include "host/base/threading/looper.h"
#include "host/base/threading/state_holder.h"
#include "host/base/threading/test_task_environment.h"
#include "host/base/threading/timer.h"

namespace base {
namespace {

using threading::LooperThread;

class MockTimeTest : public ::testing::Test {
 protected:
  test::TestTaskEnvironment env_;
};

TEST_F(MockTimeTest, TasksRunInDueOrderAcrossLoopers) {
  std::vector<std::string> order;
  LooperThread::WorkerLooper()->PostDelayedTask([&] { order.push_back("worker 20"); }, 20, FROM_HERE);
  LooperThread::MainLooper()->PostDelayedTask([&] { order.push_back("main 10"); }, 10, FROM_HERE);
  LooperThread::IOLooper()->PostTask([&] { order.push_back("io 0"); }, FROM_HERE);
  LooperThread::MainLooper()->PostTask([&] { order.push_back("main 0"); }, FROM_HERE);
  env_.RunUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"io 0", "main 0"}));
  env_.FastForwardBy(15);
  EXPECT_EQ(order.back(), "main 10");
  EXPECT_EQ(env_.NowMs(), 15);
  env_.FastForwardBy(5);
  EXPECT_EQ(order.back(), "worker 20");
}

TEST_F(MockTimeTest, ATaskSeesTheClockAtItsDueTime) {
  int64_t seen = -1;
  LooperThread::MainLooper()->PostDelayedTask([&] { seen = clock::SteadyMs(); }, 250, FROM_HERE);
  env_.FastForwardBy(1000);
  EXPECT_EQ(seen, 250);
  EXPECT_EQ(env_.NowMs(), 1000);
}

TEST_F(MockTimeTest, CurrentLooperIsTheOneRunningTheTask) {
  threading::Looper* seen = nullptr;
  LooperThread::IOLooper()->PostTask([&] { seen = LooperThread::CurrentLooper(); }, FROM_HERE);
  env_.RunUntilIdle();
  EXPECT_EQ(seen, LooperThread::IOLooper());
  EXPECT_EQ(LooperThread::CurrentLooper(), LooperThread::MainLooper());
}

TEST_F(MockTimeTest, RepeatingTimerOfFiveAndAHalfMinutesFiresOnSchedule) {
  std::vector<int64_t> fired;
  auto timer = threading::CreateTimer([&] { fired.push_back(clock::SteadyMs()); }, FROM_HERE);
  timer->Start(325000, /*repeating=*/true);
  env_.FastForwardBy(325000 * 3 - 1);
  EXPECT_EQ(fired, (std::vector<int64_t>{325000, 650000}));
  env_.FastForwardBy(1);
  EXPECT_EQ(fired.size(), 3u);
  EXPECT_TRUE(timer->IsRunning());
}

TEST_F(MockTimeTest, OneShotTimerFiresOnceAndStops) {
  int fired = 0;
  auto timer = threading::CreateTimer([&] { ++fired; }, FROM_HERE);
  timer->Start(100, false);
  env_.FastForwardBy(1000);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(timer->IsRunning());
}

TEST_F(MockTimeTest, StopAndRestartCancelThePendingTick) {
  int fired = 0;
  auto timer = threading::CreateTimer([&] { ++fired; }, FROM_HERE);
  timer->Start(100, true);
  env_.FastForwardBy(50);
  timer->Stop();
  EXPECT_EQ(env_.PendingTaskCount(), 0u);
  env_.FastForwardBy(500);
  EXPECT_EQ(fired, 0);
  timer->Start(100, true);
  env_.FastForwardBy(60);
  timer->Start(100, true);  // restarting moves the next tick, it does not add one
  EXPECT_EQ(env_.PendingTaskCount(), 1u);
  env_.FastForwardBy(99);
  EXPECT_EQ(fired, 0);
  env_.FastForwardBy(1);
  EXPECT_EQ(fired, 1);
}

TEST_F(MockTimeTest, ATimerCanStopItselfAndDestroyingItCancelsIt) {
  int fired = 0;
  std::shared_ptr<threading::Timer> timer;
  timer = threading::CreateTimer(
      [&] {
        if (++fired == 2) timer->Stop();
      },
      FROM_HERE);
  timer->Start(10, true);
  env_.FastForwardBy(100);
  EXPECT_EQ(fired, 2);

  int other = 0;
  auto doomed = threading::CreateTimer([&] { ++other; }, FROM_HERE);
  doomed->Start(10, true);
  doomed.reset();
  EXPECT_EQ(env_.PendingTaskCount(), 0u);
  env_.FastForwardBy(100);
  EXPECT_EQ(other, 0);
}

TEST_F(MockTimeTest, ACancelledTaskIsDestroyedAtOnceAndTheOthersKeepTheirOrder) {
  threading::Looper* main = LooperThread::MainLooper();
  std::vector<int> order;
  auto captured = std::make_shared<int>(0);
  std::weak_ptr<int> watch = captured;
  main->PostDelayedTask([&] { order.push_back(1); }, 10, FROM_HERE);
  const auto doomed = main->PostDelayedTask([&order, captured] { order.push_back(2); }, 10, FROM_HERE);
  main->PostDelayedTask([&] { order.push_back(3); }, 5, FROM_HERE);
  captured.reset();

  EXPECT_FALSE(LooperThread::WorkerLooper()->Cancel(doomed));
  EXPECT_FALSE(watch.expired());
  EXPECT_TRUE(main->Cancel(doomed));
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(main->Cancel(doomed));
  EXPECT_FALSE(main->Cancel(threading::Looper::kNoTask));
  EXPECT_EQ(main->PendingCount(), 2u);
  env_.FastForwardBy(10);
  EXPECT_EQ(order, (std::vector<int>{3, 1}));
}

TEST_F(MockTimeTest, TimerFiresOnTheLooperOfTheThreadThatCreatedIt) {
  std::shared_ptr<threading::Timer> timer;
  threading::Looper* fired_on = nullptr;
  LooperThread::WorkerLooper()->PostTask(
      [&] {
        timer = threading::CreateTimer([&] { fired_on = LooperThread::CurrentLooper(); }, FROM_HERE);
        timer->Start(10, false);
      },
      FROM_HERE);
  env_.FastForwardBy(20);
  EXPECT_EQ(fired_on, LooperThread::WorkerLooper());
}

TEST_F(MockTimeTest, ScopeDropsCallbacksOfADestroyedOwner) {
  int delivered = 0;
  auto scope = std::make_unique<AsyncTaskScope>();
  auto wrapped = scope->Wrap([&](int value) { delivered += value; });
  wrapped(1);
  EXPECT_EQ(delivered, 1);
  LooperThread::MainLooper()->PostDelayedTask([wrapped]() mutable { wrapped(10); }, 5, FROM_HERE);
  scope.reset();
  env_.FastForwardBy(10);
  EXPECT_EQ(delivered, 1);
}

TEST_F(MockTimeTest, CancelAllDropsEarlierWrapsOnly) {
  AsyncTaskScope scope;
  int calls = 0;
  auto old_callback = scope.Wrap([&] { ++calls; });
  scope.CancelAll();
  auto new_callback = scope.Wrap([&] { ++calls; });
  old_callback();
  new_callback();
  EXPECT_EQ(calls, 1);
}

TEST_F(MockTimeTest, FlushRunsWhatWasQueuedBeforeItButNotWhatThatPostsOrWhatIsDelayed) {
  std::vector<std::string> ran;
  auto& worker = env_.worker_looper();
  worker.PostDelayedTask([&] { ran.push_back("delayed"); }, 10, FROM_HERE);
  worker.PostTask(
      [&] {
        ran.push_back("first");
        worker.PostTask([&] { ran.push_back("posted by first"); }, FROM_HERE);
      },
      FROM_HERE);
  worker.PostTask([&] { ran.push_back("second"); }, FROM_HERE);
  EXPECT_EQ(worker.Flush(), 2u);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(worker.PendingCount(), 2u);
  EXPECT_EQ(worker.Flush(), 1u);
  EXPECT_EQ(worker.Flush(), 0u);
  EXPECT_EQ(ran.back(), "posted by first");
}

TEST_F(MockTimeTest, AsyncRunsWorkOnTheWorkerAndAnswersOnTheCaller) {
  threading::Looper* work_on = nullptr;
  threading::Looper* done_on = nullptr;
  int result = 0;
  async::Async::PostTask(
      [&] {
        work_on = LooperThread::CurrentLooper();
        return 21 * 2;
      },
      [&](int value) {
        done_on = LooperThread::CurrentLooper();
        result = value;
      },
      FROM_HERE);
  env_.RunUntilIdle();
  EXPECT_EQ(work_on, LooperThread::WorkerLooper());
  EXPECT_EQ(done_on, LooperThread::MainLooper());
  EXPECT_EQ(result, 42);
}

TEST_F(MockTimeTest, AsyncWithScopeDropsTheAnswerWhenTheOwnerIsGone) {
  bool worked = false;
  bool answered = false;
  auto scope = std::make_unique<AsyncTaskScope>();
  async::Async::PostTask(*scope, [&] { worked = true; }, [&] { answered = true; }, FROM_HERE);
  scope.reset();
  env_.RunUntilIdle();
  EXPECT_TRUE(worked);
  EXPECT_FALSE(answered);
}

TEST(StateHolderTest, ReadsAndWritesUnderItsLock) {
  StateHolder<int> state(1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) state.WithState([](int& s) { return ++s; });
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(state.GetState(), 4001);
  state.SetState(7);
  EXPECT_EQ(state.GetState(), 7);
}

TEST(SingletonSharedAllocatorTest, OneInstanceWhileHeldAFreshOneAfter) {
  struct Thing {};
  auto a = SingletonSharedAllocator<Thing>::Get();
  auto b = SingletonSharedAllocator<Thing>::Get();
  EXPECT_EQ(a, b);
  std::weak_ptr<Thing> weak = a;
  a.reset();
  b.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_NE(SingletonSharedAllocator<Thing>::Get(), nullptr);
}

// Real threads: the loopers of a host process.
TEST(HostLoopersTest, WorkerTasksRunOnAnotherThreadAndAnswerOnMain) {
  threading::HostLoopers loopers;
  std::atomic<bool> done{false};
  std::thread::id worker_thread;
  threading::Looper* answered_on = nullptr;
  async::Async::PostTask([&] { worker_thread = std::this_thread::get_id(); },
                         [&] {
                           answered_on = LooperThread::CurrentLooper();
                           done = true;
                         },
                         FROM_HERE);
  ASSERT_TRUE(loopers.RunMainLoopUntil([&] { return done.load(); }, 10'000));
  EXPECT_NE(worker_thread, std::this_thread::get_id());
  EXPECT_EQ(answered_on, LooperThread::MainLooper());
}

TEST(HostLoopersTest, QuitBeforeRunIsNotLost) {
  threading::HostLoopers loopers;
  bool ran = false;
  LooperThread::MainLooper()->PostTask([&] { ran = true; }, FROM_HERE);
  loopers.QuitMainLoop();
  loopers.RunMainLoop();  // returns at once instead of waiting for a Quit that already came
  EXPECT_FALSE(ran);
  EXPECT_TRUE(loopers.RunMainLoopUntil([&] { return ran; }, 10'000));
}

TEST(HostLoopersTest, FlushWaitsForTheWorkerThreadToRunWhatWasQueued) {
  threading::HostLoopers loopers;
  std::atomic<int> ran{0};
  std::atomic<bool> delayed_ran{false};
  auto* worker = LooperThread::WorkerLooper();
  worker->PostDelayedTask([&] { delayed_ran = true; }, 60'000, FROM_HERE);
  for (int i = 0; i < 100; ++i) worker->PostTask([&] { ++ran; }, FROM_HERE);
  EXPECT_EQ(worker->Flush(), 0u);  // run there, not here
  EXPECT_EQ(ran.load(), 100);
  EXPECT_FALSE(delayed_ran.load());
}

TEST(HostLoopersTest, RealTimerFiresRepeatedly) {
  threading::HostLoopers loopers;
  int fired = 0;
  auto timer = threading::CreateTimer([&] { ++fired; }, FROM_HERE);
  timer->Start(5, true);
  EXPECT_TRUE(loopers.RunMainLoopUntil([&] { return fired >= 3; }, 10'000));
  timer->Stop();
}

}  // namespace
}  // namespace base
