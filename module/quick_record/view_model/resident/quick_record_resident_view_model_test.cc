#include "module/quick_record/view_model/resident/quick_record_resident_view_model.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/view_model_registry.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;

std::string Route(const char* page) { return std::string(kRoutePrefix) + page; }

class QuickRecordResidentViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Activate();
    // What the host's UI set-up does with the module's pages.
    for (const auto& [route, id] : AvailablePageRoutes()) navigator_.RegisterRoute(route, kModuleName, id);
    ASSERT_TRUE(navigator_.Open(Route("resident_view")));
    resident_ = navigator_.PageViewModel(Route("resident_view"));
    ASSERT_TRUE(resident_);
  }
  void TearDown() override {
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }
  void Rebuild(const std::string& scheme, int64_t delay) {
    Variant args = Variant::MakeMap();
    args.Set("scheme", scheme);
    args.Set("delay", delay);
    resident_->Dispatch(QuickRecordResidentViewModel::kActionRebuildViewModel, &args);
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  framework::NavigatorService& navigator_ = framework::GetNavigatorService();
  std::shared_ptr<framework::StatefulViewModel> resident_;
};

TEST_F(QuickRecordResidentViewModelTest, ARebuildClosesTheOtherPagesAndOpensTheSchemesPage) {
  ASSERT_TRUE(navigator_.Open(Route("count_down")));
  base::logging::ScopedLogCapture log;
  Rebuild("space_runout_counting", 0);
  EXPECT_TRUE(log.Contains("scheme:space_runout_counting delay:0"));
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  EXPECT_TRUE(navigator_.IsOpen(Route("space_runout_counting")));
  EXPECT_TRUE(navigator_.IsOpen(Route("resident_view"))) << "the resident page stays";
}

TEST_F(QuickRecordResidentViewModelTest, ADelayedRebuildWaitsAndTakesAFullRoute) {
  ASSERT_TRUE(navigator_.Open(Route("space_runout_counting")));
  Rebuild(Route("count_down"), 300);
  env_.FastForwardBy(299);
  EXPECT_TRUE(navigator_.IsOpen(Route("space_runout_counting")));
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  env_.FastForwardBy(1);
  EXPECT_FALSE(navigator_.IsOpen(Route("space_runout_counting")));
  EXPECT_TRUE(navigator_.IsOpen(Route("count_down")));
}

}  // namespace
}  // namespace quick_record
