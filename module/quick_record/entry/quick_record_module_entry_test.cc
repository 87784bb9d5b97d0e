#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/scope_singleton_registry.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/data/service/local_record_data_service.h"
#include "module/quick_record/entry/build_id.h"
#include "module/quick_record/entry/model_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/entry/quick_record_plugin_module.h"
#include "module/quick_record/extension/quick_record_notification_extension.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_scheme_model.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;

class ModuleEntryTest : public ::testing::Test {
 protected:
  void SetUp() override { Activate(); }
  void TearDown() override {
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }
  framework::module::ModuleRuntimeBaseImpl* HostRuntime() {
    return framework::module::GetModuleService().GetModuleRuntime(kModuleName);
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
};

TEST_F(ModuleEntryTest, ActivationRegistersTheRuntimeTabsAndPlugInModule) {
  ASSERT_NE(HostRuntime(), nullptr);
  EXPECT_EQ(HostRuntime(), QuickRecordModuleRuntime::Current());
  EXPECT_EQ(HostRuntime()->ModuleName(), "quick_record");
  const auto tabs = framework::GetExtensionService().Contributions(kHomeTabContainerPoint);
  ASSERT_EQ(tabs.size(), 3u);
  EXPECT_EQ(tabs[0].extension_name, "extension:quick_record.tab_all_records");
  EXPECT_EQ(tabs[1].extension_name, "extension:quick_record.tab_recent_records");
  EXPECT_EQ(tabs[2].extension_name, "extension:quick_record.tab_my_records");
  EXPECT_EQ(tabs[0].module_name, "quick_record");
  const auto plugins = kovanisdk::plugin::ListPluginModules();
  EXPECT_TRUE(std::any_of(plugins.begin(), plugins.end(), [](const auto& p) { return p.module_id == kPluginModuleId && p.loaded; }));
}

TEST_F(ModuleEntryTest, TheBuildIdentifierIsWrittenIntoTheManifest) {
  const std::string id = HostRuntime()->manifest()->build_id;
  EXPECT_EQ(id, QUICK_RECORD_BUILD_ID);
  ASSERT_EQ(id.size(), 32u);
  EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST_F(ModuleEntryTest, TheModelsThatExistAreCreatedAtActivationAndKept) {
  auto* models = HostRuntime()->GetModelProvider();
  const auto created = models->CreatedModelIds();
  for (int32_t id : created) EXPECT_TRUE(IsModelRegistered(id));
  EXPECT_NE(std::find(created.begin(), created.end(), model_id::kQuickRecordSchemeModel), created.end());
  EXPECT_NE(std::find(created.begin(), created.end(), model_id::kMeetlogVideoShareCompanyGrantAssignModel), created.end());
  // The session comes first, and brings the recorder model it listens to.
  ASSERT_GE(created.size(), 2u);
  EXPECT_EQ(created[0], model_id::kQuickRecordModel);
  EXPECT_EQ(created[1], model_id::kQuickRecordRecorderModel);
  EXPECT_NE(std::dynamic_pointer_cast<QuickRecordModel>(models->ModelOf(model_id::kQuickRecordModel)), nullptr);
}

TEST_F(ModuleEntryTest, ModelProviderAnswersTheSameModelAndNullForUnknownIds) {
  auto* models = HostRuntime()->GetModelProvider();
  auto scheme = models->ModelOf(model_id::kQuickRecordSchemeModel);
  ASSERT_NE(scheme, nullptr);
  EXPECT_EQ(models->ModelOf(model_id::kQuickRecordSchemeModel), scheme);
  EXPECT_EQ(models->ModelOf(0x7fffffff), nullptr);
  EXPECT_EQ(models->ModelOf(0x7fffffff), nullptr);
}

TEST_F(ModuleEntryTest, ViewModelProviderLogsAndAnswersNullForUnknownIds) {
  base::logging::ScopedLogCapture capture;
  EXPECT_EQ(HostRuntime()->GetViewModelProvider()->BuildViewModel(0x7ffffff0), nullptr);
  ASSERT_TRUE(capture.Contains("vm can not be null!"));
  EXPECT_EQ(capture.sink().Records().back().function, "Build");
}

TEST_F(ModuleEntryTest, NotificationTabIsCreatableThoughNotContributed) {
  auto* extensions = HostRuntime()->GetExtensionProvider();
  auto notification = extensions->BuildExtension({"extension:quick_record.tab_notification", kModuleName, "", {}});
  ASSERT_NE(std::dynamic_pointer_cast<QuickRecordNotificationExtension>(notification), nullptr);
  Variant item;
  notification->HandleItem(&item);
  EXPECT_EQ(item.GetInt32("position"), 3);  // shares position 3 with the my-records tab
  EXPECT_EQ(extensions->BuildExtension({"extension:quick_record.nothing", kModuleName, "", {}}), nullptr);
  for (const char* name : {"extension:quick_record.tab_all_records", "extension:quick_record.tab_recent_records",
                           "extension:quick_record.tab_my_records", "extension:quick_record.entrance_home_extension",
                           "extension:record.historical_meeting", "extension:after_meeting.record"}) {
    EXPECT_NE(extensions->BuildExtension({name, kModuleName, "", {}}), nullptr) << name;
  }
}

TEST_F(ModuleEntryTest, PlugInBuilderAndModuleAnswerOnlyTheirOwnNames) {
  QuickRecordPluginModuleBuilder builder;
  EXPECT_EQ(builder.Build("another_module"), nullptr);
  EXPECT_EQ(builder.Build(nullptr), nullptr);
  auto module = builder.Build(kPluginModuleId);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->ID(), kPluginModuleId);
  EXPECT_EQ(module->GetInterface("plugin:unknown"), nullptr);
}

TEST_F(ModuleEntryTest, AfterDeactivateTheFactoryBuildsAFreshRuntime) {
  auto* first = HostRuntime();
  Deactivate();
  EXPECT_EQ(QuickRecordModuleRuntime::Current(), nullptr);
  EXPECT_EQ(framework::module::GetModuleService().GetModuleRuntime(kModuleName), nullptr);
  Deactivate();  // a second time only unregisters the name again
  Activate();
  auto* second = HostRuntime();
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->IsActivated());
  EXPECT_NE(second->GetModelProvider()->ModelOf(model_id::kQuickRecordSchemeModel), nullptr);
  (void)first;  // the first runtime is destroyed; only the fresh one may be used
}

TEST_F(ModuleEntryTest, DeclarativeRuntimeOutlivesDeactivateUntilTheHostScopeEnds) {
  void* declarative = HostRuntime()->GetDeclarativeRuntime();
  ASSERT_NE(declarative, nullptr);
  const size_t registered = framework::ScopeSingletonRegistry::GetInstance().size();
  EXPECT_GE(registered, 1u);
  Deactivate();
  EXPECT_EQ(framework::ScopeSingletonRegistry::GetInstance().size(), registered);
  Activate();
  EXPECT_EQ(HostRuntime()->GetDeclarativeRuntime(), declarative);
}

// Files under `directory` that this process holds open.
int OpenFilesUnder(const std::string& directory) {
  int open = 0;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
    if (!error && target.rfind(directory, 0) == 0) ++open;
  }
  return open;
}

// Two hosts one after the other in one process, as in a test binary or a host that loads the
// module again: each activation reaches its local records on its own host's worker looper and in
// its own database directory, and deactivation closes the database.
TEST(ModuleReactivationTest, EachActivationKeepsItsLocalRecordsOnItsOwnHost) {
  host::app::HostConfig config;
  config.account.app_id = "app-1";
  config.account.app_uid = "alice";
  config.account.token = "token";
  for (const std::string instance_id : {"recorded-under-the-first-host", "recorded-under-the-second-host"}) {
    SCOPED_TRACE(instance_id);
    util::file::ScopedTempDir data_home;
    util::ScopedEnv xdg("XDG_DATA_HOME", data_home.path().c_str());
    base::test::TestTaskEnvironment env;
    host::app::HostApplication app(config);
    Activate();
    std::weak_ptr<LocalRecordDataService> released;
    {
      auto service = ModuleLocalRecordDataService();
      ASSERT_NE(service, nullptr);
      EXPECT_EQ(ModuleLocalRecordDataService(), service);
      bool saved = false;
      service->HandleUpdateQuickRecordRedDotState(instance_id, kRedDotStateHandling, [&](bool ok) { saved = ok; });
      EXPECT_GT(env.worker_looper().PendingCount(), 0u) << "the request waits on this host's worker";
      env.RunUntilIdle();
      EXPECT_TRUE(saved);
      DbOperateCommonReq mine;
      mine.app_id = config.account.app_id;
      mine.app_uid = config.account.app_uid;
      int64_t handling = -1;
      service->QueryLocalRecordRedDotNum(mine, [&](DbQueryLocalRecordRedDotNumResp answer) {
        handling = answer.quick_record_handling_cnt;
      });
      env.RunUntilIdle();
      EXPECT_EQ(handling, 1) << "each host has a database of its own";
      EXPECT_GT(OpenFilesUnder(data_home.path()), 0);
      released = service;
    }
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
    env.RunUntilIdle();
    EXPECT_TRUE(released.expired());
    EXPECT_EQ(OpenFilesUnder(data_home.path()), 0) << "the database is closed at deactivation";
  }
}

}  // namespace
}  // namespace quick_record
