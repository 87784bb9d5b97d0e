#include "host/framework/module/module_service.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"

namespace framework {
namespace {

int g_models_created = 0;
int g_models_uninit = 0;

class CountingModel : public ModelImpl {
 public:
  explicit CountingModel(int32_t id) : ModelImpl(id) { ++g_models_created; }
  void UnInit() override {
    ++g_models_uninit;
    ModelImpl::UnInit();
  }
};

class TestModelProvider : public ModelProviderBaseImpl {
 protected:
  std::shared_ptr<ModelImpl> CreateModel(int32_t id) override {
    if (id == 2) return std::make_shared<CountingModel>(id);
    if (id == 3) {
      // A model that needs another model while it is being created.
      ModelOf(2);
      return std::make_shared<CountingModel>(id);
    }
    return nullptr;
  }
};

class PageViewModel : public StatefulViewModel {
 public:
  PageViewModel() : StatefulViewModel(0x51) {}
  void OnViewAttached() override { Publish(1, view_params().Get("router_params")); }
};

class TestViewModelProvider : public ViewModelProviderBaseImpl {
 protected:
  std::shared_ptr<StatefulViewModel> CreateViewModel(int32_t id) override {
    return id == 0x51 ? std::make_shared<PageViewModel>() : nullptr;
  }
};

class TestRuntime : public module::ModuleRuntimeBaseImpl {
 public:
  TestRuntime() : ModuleRuntimeBaseImpl(kovani::GetModuleConfigByName("test_module"), Resource::GetInstance()) {}

 protected:
  std::unique_ptr<ModelProviderBaseImpl> CreateModelProvider() override { return std::make_unique<TestModelProvider>(); }
  std::unique_ptr<ViewModelProviderBaseImpl> CreateViewModelProvider() override {
    return std::make_unique<TestViewModelProvider>();
  }
};

class ModuleServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_models_created = g_models_uninit = 0;
    module::GetModuleService().RegisterModuleRuntimeFactory("test_module", [this] {
      if (!runtime_) runtime_ = std::make_unique<TestRuntime>();
      return runtime_.get();
    });
  }
  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  std::unique_ptr<TestRuntime> runtime_;
};

TEST_F(ModuleServiceTest, ModelOfCreatesOnceAndUnknownIdsAreNull) {
  auto* models = module::GetModuleService().GetModuleRuntime("test_module")->GetModelProvider();
  auto a = models->ModelOf(2);
  EXPECT_EQ(models->ModelOf(2), a);
  EXPECT_EQ(models->ModelOf(99), nullptr);
  EXPECT_EQ(g_models_created, 1);
}

TEST_F(ModuleServiceTest, AModelCreatedWhileAnotherIsCreatedIsStillCreatedOnce) {
  auto* models = module::GetModuleService().GetModuleRuntime("test_module")->GetModelProvider();
  models->ModelOf(3);
  models->ModelOf(2);
  EXPECT_EQ(g_models_created, 2);
  EXPECT_EQ(models->CreatedModelIds(), (std::vector<int32_t>{2, 3}));
}

TEST_F(ModuleServiceTest, TheHostActivatesARuntimeWhenItFirstAsksForIt) {
  auto* runtime = module::GetModuleService().GetModuleRuntime("test_module");
  ASSERT_NE(runtime, nullptr);
  EXPECT_TRUE(runtime->IsActivated());
  EXPECT_EQ(module::GetModuleService().GetModuleRuntime("no_such_module"), nullptr);
}

TEST_F(ModuleServiceTest, UnregisteringAModuleUnactivatesItsRuntimeAndReleasesItsModels) {
  bool torn_down = false;
  module::GetModuleService().RegisterModuleLoaderCallbacks("test_module", [](const Variant&) {}, [&] { torn_down = true; });
  module::GetModuleService().RunLoaderSetup(Variant());
  auto* runtime = module::GetModuleService().GetModuleRuntime("test_module");
  std::weak_ptr<ModelImpl> model = runtime->GetModelProvider()->ModelOf(2);
  module::GetModuleService().UnregisterModule("test_module");
  EXPECT_FALSE(runtime->IsActivated());
  EXPECT_TRUE(model.expired());
  EXPECT_EQ(g_models_uninit, 1);
  EXPECT_TRUE(torn_down);
  EXPECT_FALSE(module::GetModuleService().HasModule("test_module"));
  module::GetModuleService().UnregisterModule("test_module");  // twice: nothing to do
}

TEST_F(ModuleServiceTest, LoaderSetupRunsOncePerRegistration) {
  int setups = 0;
  module::GetModuleService().RegisterModuleLoaderCallbacks("test_module", [&](const Variant&) { ++setups; }, [] {});
  module::GetModuleService().RunLoaderSetup(Variant());
  module::GetModuleService().RunLoaderSetup(Variant());
  EXPECT_EQ(setups, 1);
}

TEST_F(ModuleServiceTest, HostModelsByIdComeFromTheApplicationRuntime) {
  auto config = module::GetAppModuleModel(539);
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(module::GetAppModuleModel(539), config);
  EXPECT_NE(module::GetAppModuleModel(517), nullptr);
  EXPECT_EQ(module::GetAppModuleModel(123456), nullptr);
}

TEST_F(ModuleServiceTest, NavigatorOpensPagesWithRouterParamsAndClosesThem) {
  auto& navigator = GetNavigatorService();
  navigator.RegisterRoute("kovani://page/test/page", "test_module", 0x51);
  navigator.RegisterRoute("kovani://page/test/broken", "test_module", 0x52);
  Variant params;
  params["show"] = true;
  params["mode"] = 2;
  ASSERT_TRUE(navigator.Open("kovani://page/test/page", params));
  EXPECT_TRUE(navigator.IsOpen("kovani://page/test/page"));
  EXPECT_EQ(navigator.PageView("kovani://page/test/page")->Last(1), params);
  EXPECT_FALSE(navigator.Open("kovani://page/test/broken"));
  EXPECT_FALSE(navigator.Open("kovani://page/test/unknown"));

  Variant update;
  update["show"] = false;
  EXPECT_TRUE(navigator.Open("kovani://page/test/page", update));  // an open page is updated
  EXPECT_EQ(navigator.PageViewModel("kovani://page/test/page")->view_params().Get("router_params"), update);

  auto view_model = navigator.PageViewModel("kovani://page/test/page");
  EXPECT_TRUE(navigator.Close("kovani://page/test/page"));
  EXPECT_FALSE(view_model->IsViewAttached());
  EXPECT_FALSE(navigator.Close("kovani://page/test/page"));
  std::vector<std::string> actions;
  for (const auto& step : navigator.History()) actions.push_back(step.action);
  EXPECT_EQ(actions, (std::vector<std::string>{"open", "update", "close"}));
}

TEST_F(ModuleServiceTest, UnregisteringAModuleClosesItsPagesAndForgetsItsRoutes) {
  auto& navigator = GetNavigatorService();
  navigator.RegisterRoute("kovani://page/test/page", "test_module", 0x51);
  ASSERT_TRUE(navigator.Open("kovani://page/test/page"));
  auto view_model = navigator.PageViewModel("kovani://page/test/page");
  module::GetModuleService().UnregisterModule("test_module");
  EXPECT_FALSE(navigator.IsOpen("kovani://page/test/page"));
  EXPECT_FALSE(view_model->IsViewAttached());
  EXPECT_TRUE(navigator.Routes().empty());
}

}  // namespace
}  // namespace framework
