#include "module/quick_record/view_model/bottom_bar/bottom_bar_confirmations.h"

#include <gtest/gtest.h>

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/sdk/kovani/alert.h"

namespace quick_record {
namespace {

using Confirmations = BottomBarConfirmations;

class BottomBarConfirmationsTest : public ::testing::Test {
 protected:
  ~BottomBarConfirmationsTest() override {
    for (const auto& [id, info] : kovani::OpenAlerts()) kovani::DisposeAlert(id);
  }

  int discards_ = 0;
  std::shared_ptr<Confirmations> confirmations_ = std::make_shared<Confirmations>([this] { ++discards_; });
};

TEST_F(BottomBarConfirmationsTest, OnlyTheDiscardButtonThrowsTheRecordingAway) {
  base::logging::ScopedLogCapture log;
  base::analytics::ScopedEventCapture events;
  confirmations_->AskToCancel();
  confirmations_->AskToCancel();
  ASSERT_EQ(kovani::OpenAlerts().size(), 1u) << "never two cancel questions at once";
  ASSERT_TRUE(kovani::AnswerAlert(confirmations_->cancel_alert_id(), Confirmations::kCancelAlertContinue));
  EXPECT_EQ(discards_, 0);
  EXPECT_TRUE(log.Contains("click continue record"));
  EXPECT_EQ(confirmations_->cancel_alert_id(), 0);

  confirmations_->AskToCancel();
  ASSERT_TRUE(kovani::AnswerAlert(confirmations_->cancel_alert_id(), Confirmations::kCancelAlertDiscard));
  EXPECT_EQ(discards_, 1);
  EXPECT_TRUE(log.Contains("click cancel record"));
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_cancel_confirm_popup#confirm#click").size(), 1u);
}

TEST_F(BottomBarConfirmationsTest, AnAnswerAfterTheBarIsGoneDoesNothing) {
  confirmations_->AskToCancel();
  const int32_t alert = confirmations_->cancel_alert_id();
  confirmations_.reset();
  EXPECT_TRUE(kovani::AnswerAlert(alert, Confirmations::kCancelAlertDiscard));
  EXPECT_EQ(discards_, 0);
}

TEST_F(BottomBarConfirmationsTest, AnotherQuitQuestionReplacesTheOpenOneAndDisposingClosesAll) {
  confirmations_->AskBeforeExit();
  const int32_t first = confirmations_->exit_alert_id();
  confirmations_->AskBeforeExit();
  EXPECT_NE(confirmations_->exit_alert_id(), first);
  EXPECT_FALSE(kovani::IsAlertOpen(first));
  confirmations_->AskToCancel();
  ASSERT_EQ(kovani::OpenAlerts().size(), 2u);
  confirmations_->DisposeAll();
  EXPECT_TRUE(kovani::OpenAlerts().empty());
  EXPECT_EQ(confirmations_->cancel_alert_id(), 0);
  EXPECT_EQ(confirmations_->exit_alert_id(), 0);
}

}  // namespace
}  // namespace quick_record
