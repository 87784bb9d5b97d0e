#include "module/quick_record/view_model/bottom_bar/bottom_bar_narrow_timers.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Timers = BottomBarNarrowTimers;

class BottomBarNarrowTimersTest : public ::testing::Test {
 protected:
  void Hover(bool inside, bool paused = false) {
    const Variant payload(inside);
    timers_->HandleHoverBottomBar(&payload, paused);
  }

  base::test::TestTaskEnvironment env_;
  std::vector<bool> published_;
  std::unique_ptr<Timers> timers_ = std::make_unique<Timers>([this](bool narrow) { published_.push_back(narrow); });
};

TEST_F(BottomBarNarrowTimersTest, EnteringTheBarStopsAPendingNarrowTimer) {
  timers_->StartNarrowTimer();
  env_.FastForwardBy(1000);
  Hover(true);
  env_.FastForwardBy(Timers::kNarrowMs);
  EXPECT_FALSE(timers_->narrow());
  EXPECT_EQ(published_, std::vector<bool>{false});
}

TEST_F(BottomBarNarrowTimersTest, LeavingWhilePausedStartsNothing) {
  Hover(false, /*paused=*/true);
  env_.FastForwardBy(10'000);
  EXPECT_TRUE(published_.empty());
  Hover(false);
  env_.FastForwardBy(Timers::kLeaveMs);
  EXPECT_EQ(published_, std::vector<bool>{true});
}

TEST_F(BottomBarNarrowTimersTest, HoverPayloadsThatAreNotBooleansAreRefused) {
  base::logging::ScopedLogCapture log;
  const Variant text("yes");
  timers_->HandleHoverBottomBar(&text, false);
  timers_->HandleHoverBottomBar(nullptr, false);
  EXPECT_TRUE(log.Contains("params is not bool."));
  EXPECT_TRUE(log.Contains("params is null."));
  env_.FastForwardBy(Timers::kLeaveMs);
  EXPECT_TRUE(published_.empty());
}

TEST_F(BottomBarNarrowTimersTest, APendingTimerDiesWithItsOwner) {
  timers_->StartNarrowTimer();
  Hover(false);
  timers_.reset();
  env_.FastForwardBy(Timers::kNarrowMs);
  EXPECT_TRUE(published_.empty());
}

}  // namespace
}  // namespace quick_record
