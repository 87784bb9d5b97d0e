#include "host/sdk/plugin/plugin_registry.h"

#include <gtest/gtest.h>

namespace kovanisdk::plugin {
namespace {

int g_destroyed = 0;

class Echo : public PluginInstanceImpl {
 public:
  bool Call(int32_t method, const Variant& args, Variant* result) override {
    if (method != 1) return false;
    *result = args;
    FireEvent(9, args);
    return true;
  }
  void DidDestroy() override { ++g_destroyed; }
};

class EchoModule : public PluginModuleImpl {
 public:
  EchoModule() : PluginModuleImpl("echo_module") {}

 protected:
  std::shared_ptr<PluginInstanceImpl> CreateInterface(const char* name) override {
    return std::string(name) == "plugin:echo" ? std::make_shared<Echo>() : nullptr;
  }
};

class EchoBuilder : public PluginModuleBuilder {
 public:
  std::shared_ptr<PluginModuleImpl> Build(const char* id) override {
    return std::string(id) == "echo_module" ? std::make_shared<EchoModule>() : nullptr;
  }
};

class PluginRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_destroyed = 0;
    ASSERT_TRUE(RegisterPluginModule("echo_module", new EchoBuilder));
  }
  void TearDown() override {
    UnregisterPluginModule("echo_module");
    UnregisterPluginModule("other_module");
  }
};

TEST_F(PluginRegistryTest, EveryQueryAnswersTheSameInstance) {
  std::shared_ptr<PluginInstanceImpl> a, b;
  ASSERT_TRUE(QueryPluginInterface("echo_module", "plugin:echo", &a));
  ASSERT_TRUE(QueryPluginInterface("echo_module", "plugin:echo", &b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->Name(), "plugin:echo");
  std::shared_ptr<Echo> typed;
  EXPECT_TRUE(QueryPluginInterface("echo_module", "plugin:echo", &typed));
  EXPECT_EQ(typed.get(), a.get());
}

TEST_F(PluginRegistryTest, UnknownModulesAndInterfacesAnswerEmpty) {
  std::shared_ptr<PluginInstanceImpl> out = std::make_shared<Echo>();
  EXPECT_FALSE(QueryPluginInterface("echo_module", "plugin:nothing", &out));
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(QueryPluginInterface("missing_module", "plugin:echo", &out));
  ASSERT_TRUE(RegisterPluginModule("other_module", new EchoBuilder));  // builds only echo_module
  EXPECT_FALSE(QueryPluginInterface("other_module", "plugin:echo", &out));
  EXPECT_FALSE(RegisterPluginModule("", new EchoBuilder));
}

TEST_F(PluginRegistryTest, CallsAndEventsReachTheInstance) {
  std::shared_ptr<PluginInstanceImpl> echo;
  ASSERT_TRUE(QueryPluginInterface("echo_module", "plugin:echo", &echo));
  Variant seen;
  echo->SubscribeEvent(9, 1, [&](int32_t, const Variant& payload) { seen = payload; });
  Variant result;
  EXPECT_TRUE(echo->Call(1, Variant("hi"), &result));
  EXPECT_EQ(result, Variant("hi"));
  EXPECT_EQ(seen, Variant("hi"));
  echo->UnsubscribeEvent(9, 1);
  echo->Call(1, Variant("again"), &result);
  EXPECT_EQ(seen, Variant("hi"));
}

TEST_F(PluginRegistryTest, UnregisteringDestroysTheInstancesOnce) {
  std::shared_ptr<PluginInstanceImpl> echo;
  ASSERT_TRUE(QueryPluginInterface("echo_module", "plugin:echo", &echo));
  EXPECT_TRUE(UnregisterPluginModule("echo_module"));
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_FALSE(UnregisterPluginModule("echo_module"));
  EXPECT_FALSE(QueryPluginInterface("echo_module", "plugin:echo", &echo));
}

}  // namespace
}  // namespace kovanisdk::plugin
