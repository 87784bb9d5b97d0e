#include "module/quick_record/view_model/resident/quick_record_tray_view_model.h"

#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/framework/view_model/recording_view.h"
#include "module/quick_record/model/recording_model_test.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordTrayViewModel;

class QuickRecordTrayViewModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    view_model_->AttachView(&view_);
  }
  void TearDown() override {
    view_model_->DetachView();
    RecordingModelTest::TearDown();
  }
  void Act(int action) {
    const Variant payload = Variant::MakeMap();
    view_model_->Dispatch(action, &payload);
  }

  framework::RecordingView view_;
  std::shared_ptr<ViewModel> view_model_ = std::make_shared<ViewModel>();
};

TEST_F(QuickRecordTrayViewModelTest, TheTrayShowsItsTextsAndNoDotAtFirst) {
  const Variant ui = view_.Last(ViewModel::kPropertyTrayUi);
  EXPECT_EQ(ui.GetString(ViewModel::kExitText), "Quit");
  EXPECT_EQ(ui.GetString(ViewModel::kHoverText), "Quick record");
  EXPECT_TRUE(ui.GetBool(ViewModel::kShouldShowTray));
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyRedDot).GetBool("show_reddot", true));
}

TEST_F(QuickRecordTrayViewModelTest, TheRedDotFollowsTheNoticeList) {
  base::logging::ScopedLogCapture log;
  view_model_->OnQuickRecordNoticeListUpdate(Variant::FromJson(R"({"notices": [{"id": 1}, {"id": 2}]})"));
  EXPECT_TRUE(view_model_->show_reddot());
  EXPECT_TRUE(log.Contains("notice msg get, size:2"));
  view_model_->OnQuickRecordNoticeListUpdate(Variant::FromJson(R"({"notices": "not a list"})"));
  EXPECT_TRUE(view_model_->show_reddot()) << "an invalid payload changes nothing";
  EXPECT_TRUE(log.Contains("invalid params."));
  view_model_->OnQuickRecordNoticeListUpdate(Variant::MakeArray());
  EXPECT_FALSE(view_model_->show_reddot());
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyRedDot).GetBool("show_reddot", true));
}

TEST_F(QuickRecordTrayViewModelTest, ExitIsRefusedWhileARecordingRunsOrIsPaused) {
  ASSERT_TRUE(StartRecording());
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionExit);
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  Act(ViewModel::kActionExit);
  EXPECT_EQ(log.Count("close menu: record is running"), 2u);
  EXPECT_TRUE(view_.ValuesOf(ViewModel::kPropertyExit).empty());
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokeStopRecord));
  Act(ViewModel::kActionExit);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyExit).GetBool("quit"));
}

// With the module active, as the tray is when the host shows it.
class QuickRecordTrayActiveModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { Activate(); }
  void TearDown() override {
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
};

TEST_F(QuickRecordTrayActiveModuleTest, OpeningTheRecorderPushesTheSettingsPageWithItsArguments) {
  auto& navigator = framework::GetNavigatorService();
  // Whichever view model the settings page has, the tray only asks for the route.
  navigator.RegisterRoute(ViewModel::kRecorderPage, kModuleName, view_model_id::kQuickRecordResidentViewModel);
  auto tray = std::make_shared<ViewModel>();
  const Variant payload = Variant::MakeMap();
  tray->Dispatch(ViewModel::kActionOpenRecorder, &payload);
  ASSERT_TRUE(navigator.IsOpen(ViewModel::kRecorderPage));
  const Variant params = navigator.PageViewModel(ViewModel::kRecorderPage)->view_params()["router_params"];
  EXPECT_TRUE(params.GetBool("show"));
  EXPECT_TRUE(params.GetBool("show_ntf"));
}

}  // namespace
}  // namespace quick_record
