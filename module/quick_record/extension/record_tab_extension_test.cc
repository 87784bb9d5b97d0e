#include "module/quick_record/extension/record_tab_extension.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;

class RecordTabExtensionTest : public ::testing::Test {
 protected:
  void SetUp() override { Activate(); }
  void TearDown() override {
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }
  std::shared_ptr<framework::extension::ExtensionImpl> CreateTab(const std::string& name) {
    return framework::GetExtensionService().CreateExtension(kHomeTabContainerPoint, framework::ExtensionInfo(name, kModuleName));
  }
  Variant Item(const std::string& name) { return framework::GetExtensionService().ItemOf(name); }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
};

TEST_F(RecordTabExtensionTest, AllRecordsTabIsHiddenByDefaultAndShowsAtPositionOneWhenSwitchedOn) {
  base::logging::ScopedLogCapture capture;
  auto tab = CreateTab("extension:quick_record.tab_all_records");
  ASSERT_NE(tab, nullptr);
  EXPECT_TRUE(capture.Contains("quick record all record extension init"));
  EXPECT_FALSE(Item("extension:quick_record.tab_all_records").GetBool("visible", true));
  EXPECT_TRUE(capture.Contains("QuickRecordAllRecordsExtension InnerHandleItem"));

  app_.config()->SetValue("quick_record_ability", "quick_record_all_tab_enable", Variant(true));
  const Variant item = Item("extension:quick_record.tab_all_records");
  EXPECT_TRUE(item.GetBool("visible"));
  EXPECT_EQ(item.GetInt32("position"), 1);
  EXPECT_TRUE(capture.Contains("quick record all tab enable 1"));

  app_.config()->SetValue("quick_record_ability", "quick_record_all_tab_enable", Variant(false));
  EXPECT_FALSE(Item("extension:quick_record.tab_all_records").GetBool("visible", true));
}

TEST_F(RecordTabExtensionTest, RecentTabFollowsItsOwnSwitchOnly) {
  auto tab = CreateTab("extension:quick_record.tab_recent_records");
  app_.config()->SetValue("quick_record_ability", "quick_record_all_tab_enable", Variant(true));
  EXPECT_FALSE(Item("extension:quick_record.tab_recent_records").GetBool("visible", true));
  app_.config()->SetValue("quick_record_ability", "quick_record_recent_tab_enable", Variant(true));
  EXPECT_TRUE(Item("extension:quick_record.tab_recent_records").GetBool("visible"));
  EXPECT_EQ(Item("extension:quick_record.tab_recent_records").GetInt32("position"), 2);
}

TEST_F(RecordTabExtensionTest, MyRecordsTabIsAlwaysVisibleAtPositionThree) {
  auto tab = CreateTab("extension:quick_record.tab_my_records");
  EXPECT_TRUE(Item("extension:quick_record.tab_my_records").GetBool("visible"));
  EXPECT_EQ(Item("extension:quick_record.tab_my_records").GetInt32("position"), 3);
}

TEST_F(RecordTabExtensionTest, TabPropertiesNameTheIconsTitleAndRedDot) {
  auto all = std::dynamic_pointer_cast<kovani::TabExtension>(CreateTab("extension:quick_record.tab_all_records"));
  const Variant properties = all->GetTabProperties();
  EXPECT_EQ(properties.GetString("tab_name"), "All");
  for (const char* key : {"tab_icon_path_normal", "tab_icon_path_select", "tab_icon_path_narrow_normal",
                          "tab_icon_path_narrow_select"}) {
    EXPECT_EQ(properties.GetString(key), ":/images/all_records_tab_normal") << key;
  }
  EXPECT_EQ(properties.GetString("red_dot_path"), "quick_record_home://quick_record.tab.all_record_file_digital_red_dot");
  EXPECT_EQ(all->GetContentViewModelId(), view_model_id::kQuickRecordAllRecordsViewModel);

  auto mine = std::dynamic_pointer_cast<kovani::TabExtension>(CreateTab("extension:quick_record.tab_my_records"));
  EXPECT_EQ(mine->GetTabProperties().GetString("tab_icon_path_select"), ":/images/my_records_tab_normal");
  EXPECT_FALSE(mine->GetTabProperties().Has("red_dot_path"));
  EXPECT_EQ(mine->GetModuleRuntime(), framework::module::GetModuleService().GetModuleRuntime(kModuleName));
}

TEST_F(RecordTabExtensionTest, AnUninitialisedTabNoLongerFollowsTheConfiguration) {
  auto tab = CreateTab("extension:quick_record.tab_all_records");
  tab->UnInit();
  app_.config()->SetValue("quick_record_ability", "quick_record_all_tab_enable", Variant(true));
  EXPECT_FALSE(Item("extension:quick_record.tab_all_records").GetBool("visible", true));
}

}  // namespace
}  // namespace quick_record
