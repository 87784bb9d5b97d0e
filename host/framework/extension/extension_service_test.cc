#include "host/framework/extension/extension_service.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"

namespace framework {
namespace {

class SwitchExtension : public extension::ExtensionImpl {
 public:
  void HandleItem(Variant* item) override {
    item->Set("visible", visible_);
    item->Set("position", 4);
  }
  void Init(const Variant& params) override { init_params = params; }
  void UnInit() override { ++uninit_calls; }
  void Toggle() {
    visible_ = !visible_;
    Variant changes;
    changes["visible"] = visible_;
    ReportItemChanged(changes);
  }
  Variant init_params;
  int uninit_calls = 0;

 private:
  bool visible_ = false;
};

class TestExtensionProvider : public extension::ExtensionProviderBase {
 protected:
  std::shared_ptr<extension::ExtensionImpl> CreateExtension(const ExtensionBuilderParam& param) override {
    return param.extension_name == "extension:switch" ? std::make_shared<SwitchExtension>() : nullptr;
  }
};

class ExtensionRuntime : public module::ModuleRuntimeBaseImpl {
 public:
  ExtensionRuntime() : ModuleRuntimeBaseImpl(kovani::GetModuleConfigByName("ext_module"), Resource::GetInstance()) {}

 protected:
  std::unique_ptr<ModelProviderBaseImpl> CreateModelProvider() override { return nullptr; }
  std::unique_ptr<extension::ExtensionProviderBase> CreateExtensionProvider() override {
    return std::make_unique<TestExtensionProvider>();
  }
};

class ExtensionServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module::GetModuleService().RegisterModuleRuntimeFactory("ext_module", [this] { return &runtime_; });
  }
  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  ExtensionRuntime runtime_;
};

TEST_F(ExtensionServiceTest, ContributionsAreKeptOncePerPointInOrder) {
  auto& service = GetExtensionService();
  service.Contribute("contributes:a", ExtensionInfo("extension:one", "ext_module"));
  service.Contribute("contributes:a", ExtensionInfo("extension:two", "ext_module"));
  service.Contribute("contributes:a", ExtensionInfo("extension:one", "ext_module"));
  const auto list = service.Contributions("contributes:a");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].extension_name, "extension:one");
  EXPECT_EQ(list[1].extension_name, "extension:two");
  EXPECT_TRUE(service.Contributions("contributes:none").empty());
}

TEST_F(ExtensionServiceTest, TheHostSeesTheItemAndItsLaterChanges) {
  auto& service = GetExtensionService();
  Variant params;
  params["extra_data"]["meeting_id"] = "m1";
  auto extension = service.CreateExtension("contributes:a", ExtensionInfo("extension:switch", "ext_module"), params);
  ASSERT_NE(extension, nullptr);
  auto* concrete = static_cast<SwitchExtension*>(extension.get());
  EXPECT_EQ(concrete->init_params, params);
  EXPECT_EQ(extension->GetContributesId(), "contributes:a");
  EXPECT_EQ(service.ItemOf("extension:switch").GetInt32("position"), 4);
  EXPECT_FALSE(service.ItemOf("extension:switch").GetBool("visible"));
  concrete->Toggle();
  EXPECT_TRUE(service.ItemOf("extension:switch").GetBool("visible"));
  EXPECT_EQ(service.CreateExtension("contributes:a", ExtensionInfo("extension:unknown", "ext_module")), nullptr);
  EXPECT_EQ(service.CreateExtension("contributes:a", ExtensionInfo("extension:switch", "no_module")), nullptr);
}

TEST_F(ExtensionServiceTest, UnregisteringTheModuleUnInitsItsExtensionsOnceAndForgetsThem) {
  auto& service = GetExtensionService();
  service.Contribute("contributes:a", ExtensionInfo("extension:switch", "ext_module"));
  auto extension = service.CreateExtension("contributes:a", ExtensionInfo("extension:switch", "ext_module"));
  module::GetModuleService().UnregisterModule("ext_module");
  EXPECT_EQ(static_cast<SwitchExtension*>(extension.get())->uninit_calls, 1);
  EXPECT_TRUE(service.ItemOf("extension:switch").IsNull());
  EXPECT_TRUE(service.Contributions("contributes:a").empty());
}

TEST_F(ExtensionServiceTest, CommandsRunByName) {
  auto& service = GetExtensionService();
  Variant seen;
  service.RegisterCommand("OpenNewRecordCommand", [&](const Variant& args) {
    seen = args;
    return true;
  });
  EXPECT_TRUE(service.RunCommand("OpenNewRecordCommand", Variant(3)));
  EXPECT_EQ(seen, Variant(3));
  EXPECT_FALSE(service.RunCommand("NoSuchCommand", Variant()));
}

}  // namespace
}  // namespace framework
