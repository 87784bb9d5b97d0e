#include "module/quick_record/view_model/recording_stages/quick_record_count_down_view_model.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/view_model/recording_view.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordCountDownViewModel;

class QuickRecordCountDownViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override { view_model_->AttachView(&view_); }
  void TearDown() override { view_model_->DetachView(); }

  void Act(int action) {
    const Variant payload = Variant::MakeMap();
    view_model_->Dispatch(action, &payload);
  }
  std::vector<int32_t> Numbers() const {
    std::vector<int32_t> numbers;
    for (const auto& data : view_.ValuesOf(ViewModel::kPropertyViewData)) numbers.push_back(data.GetInt32("count_down_number"));
    return numbers;
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  framework::RecordingView view_;
  std::shared_ptr<ViewModel> view_model_ = std::make_shared<ViewModel>();
};

TEST_F(QuickRecordCountDownViewModelTest, CountsThreeTwoOneAndReportsHalfASecondAfterZero) {
  Act(ViewModel::kActionStart);
  EXPECT_EQ(Numbers(), (std::vector<int32_t>{3}));
  const Variant first = view_.Last(ViewModel::kPropertyViewData);
  EXPECT_EQ(first.GetString("count_down_txt"), "3");
  EXPECT_EQ(first.GetString("count_down_cancel_txt"), "Cancel");
  EXPECT_TRUE(first.GetString("sound").ends_with("/countdown.mp3"));

  env_.FastForwardBy(2399);
  EXPECT_EQ(Numbers(), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_TRUE(view_model_->running());
  env_.FastForwardBy(1);  // 2,400 ms: zero
  EXPECT_EQ(view_model_->number(), 0);
  EXPECT_FALSE(view_model_->running());
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyViewData).GetString("sound").ends_with("/countdown_end.mp3"));
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyResult).IsNull());

  env_.FastForwardBy(499);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyResult).IsNull());
  env_.FastForwardBy(1);  // 2,900 ms: the end animation is over
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyResult).GetBool("finished"));
  env_.FastForwardBy(10'000);
  EXPECT_EQ(view_.ValuesOf(ViewModel::kPropertyResult).size(), 1u);
  EXPECT_EQ(Numbers(), (std::vector<int32_t>{3, 2, 1, 0}));
}

TEST_F(QuickRecordCountDownViewModelTest, CancellingStopsTheCountDown) {
  base::analytics::ScopedEventCapture events;
  Act(ViewModel::kActionStart);
  env_.FastForwardBy(900);
  Act(ViewModel::kActionCancel);
  EXPECT_FALSE(view_model_->running());
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyResult).GetBool("finished", true));
  env_.FastForwardBy(10'000);
  EXPECT_EQ(Numbers(), (std::vector<int32_t>{3, 2}));
  EXPECT_EQ(view_.ValuesOf(ViewModel::kPropertyResult).size(), 1u);
  EXPECT_EQ(events.sink().EventsNamed("e#new_recording#cancel_recording#exposure").size(), 1u);
}

TEST_F(QuickRecordCountDownViewModelTest, CancellingDuringTheEndAnimationDropsTheResult) {
  Act(ViewModel::kActionStart);
  env_.FastForwardBy(2600);
  Act(ViewModel::kActionCancel);
  env_.FastForwardBy(1000);
  const auto results = view_.ValuesOf(ViewModel::kPropertyResult);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_FALSE(results[0].GetBool("finished", true));
}

TEST_F(QuickRecordCountDownViewModelTest, ACallWithoutArgumentsIsRefused) {
  base::logging::ScopedLogCapture log;
  view_model_->Dispatch(ViewModel::kActionStart, nullptr);
  EXPECT_TRUE(log.Contains("error call,check params"));
  env_.FastForwardBy(5000);
  EXPECT_TRUE(view_.published().empty());
}

}  // namespace
}  // namespace quick_record
