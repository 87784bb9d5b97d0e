#include "module/quick_record/view_model/recording_stages/quick_record_space_runout_counting_view_model.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/view_model/recording_view.h"
#include "host/sdk/kovani/open_web_page.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/recorder_model_stand_in.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordSpaceRunoutCountingViewModel;

class SpaceEvents : public framework::ModelImpl {
 public:
  void RunOut(bool run_out) {
    Variant payload = Variant::MakeMap();
    payload.Set("run_out", run_out);
    FireEvent(QuickRecordSpaceModel::kEventRunOutChanged, payload);
  }
};

class QuickRecordSpaceRunoutCountingViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* config = app_.config().get();
    config->SetValue(ViewModel::kConfigSection, "content", Variant("Your cloud space is full"));
    config->SetValue(ViewModel::kConfigSection, "time_color", Variant("#ff5500"));
    config->SetValue(ViewModel::kConfigSection, "count_down_seconds", Variant(3));
    config->SetValue(ViewModel::kConfigSection, "jump_url", Variant("https://example.test/upgrade"));
    view_model_->AttachView(&view_);
  }
  void TearDown() override { view_model_->DetachView(); }

  bool Visible() const { return view_.Last(ViewModel::kPropertyVisible).AsBool(); }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  std::shared_ptr<SpaceEvents> space_ = std::make_shared<SpaceEvents>();
  std::shared_ptr<testing::RecorderModelStandIn> recorder_ = std::make_shared<testing::RecorderModelStandIn>();
  framework::RecordingView view_;
  std::shared_ptr<ViewModel> view_model_ = std::make_shared<ViewModel>(space_, recorder_);
};

TEST_F(QuickRecordSpaceRunoutCountingViewModelTest, TheTextsComeFromTheHostConfiguration) {
  const Variant content = view_.Last(ViewModel::kPropertyContent);
  EXPECT_EQ(content.GetString("content"), "Your cloud space is full");
  EXPECT_EQ(content.GetString("time_color"), "#ff5500");
  EXPECT_TRUE(content.Has("upgrade_btn_text"));
}

TEST_F(QuickRecordSpaceRunoutCountingViewModelTest, ShownWhileRecordingWithoutSpaceHiddenWhilePaused) {
  base::analytics::ScopedEventCapture events;
  recorder_->State(2);
  EXPECT_FALSE(view_model_->visible());
  space_->RunOut(true);
  EXPECT_TRUE(Visible());
  recorder_->State(3);
  EXPECT_FALSE(Visible());
  recorder_->State(2);
  EXPECT_TRUE(Visible());
  space_->RunOut(false);
  EXPECT_FALSE(Visible());
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_space_remind_popup#all#exposure").size(), 2u);
}

TEST_F(QuickRecordSpaceRunoutCountingViewModelTest, ItsCountDownStandsStillWhilePausedAndThenCollapses) {
  base::logging::ScopedLogCapture log;
  recorder_->State(2);
  space_->RunOut(true);
  env_.FastForwardBy(1000);
  EXPECT_EQ(view_.Last(ViewModel::kPropertySecondsLeft).AsInt32(), 2);
  recorder_->State(3);
  env_.FastForwardBy(10'000);
  EXPECT_EQ(view_.Last(ViewModel::kPropertySecondsLeft).AsInt32(), 2);
  recorder_->State(2);
  env_.FastForwardBy(2000);
  EXPECT_EQ(view_.Last(ViewModel::kPropertySecondsLeft).AsInt32(), 0);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyCollapsed).AsBool());
  EXPECT_TRUE(log.Contains("HandleCountDownOver"));
  env_.FastForwardBy(5000);
  EXPECT_EQ(view_.Last(ViewModel::kPropertySecondsLeft).AsInt32(), 0);
}

TEST_F(QuickRecordSpaceRunoutCountingViewModelTest, UpgradeOpensTheConfiguredAddress) {
  base::analytics::ScopedEventCapture events;
  const Variant none;
  view_model_->Dispatch(ViewModel::kActionUpgrade, &none);
  EXPECT_EQ(view_.Last(ViewModel::kPropertyOpenInApp).AsString(), "https://example.test/upgrade");
  app_.config()->SetValue(ViewModel::kConfigSection, "is_jump_browser", Variant(true));
  view_model_->Dispatch(ViewModel::kActionUpgrade, &none);
  EXPECT_EQ(kovani::GetOpenedWebPages().back(), "https://example.test/upgrade");
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_space_remind_popup#upgrade#click").size(), 2u);
}

}  // namespace
}  // namespace quick_record
