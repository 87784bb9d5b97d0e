#include "host/app/global_shortcuts.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "host/app/host_config.h"

namespace host::app {
namespace {

TEST(KeyBindingTest, ModifiersAndKeysOfTheConfiguration) {
  KeyBinding binding;
  std::string error;
  ASSERT_TRUE(KeyBinding::Parse("Ctrl+Alt+R", &binding, &error)) << error;
  EXPECT_EQ(binding.modifiers, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
  EXPECT_EQ(binding.keysym, static_cast<uint32_t>('r')) << "letters are grabbed by their unshifted key";
  ASSERT_TRUE(KeyBinding::Parse("Shift+Super+F9", &binding, &error)) << error;
  EXPECT_EQ(binding.modifiers, XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4);
  EXPECT_EQ(binding.keysym, 0xffc6u);
  ASSERT_TRUE(KeyBinding::Parse("Pause", &binding, &error));
  EXPECT_EQ(binding.modifiers, 0);
  ASSERT_TRUE(KeyBinding::Parse("Ctrl+7", &binding, &error));
  EXPECT_EQ(binding.keysym, static_cast<uint32_t>('7'));
}

TEST(KeyBindingTest, WhatIsNotACombinationIsRefusedWithItsReason) {
  KeyBinding binding;
  std::string error;
  EXPECT_FALSE(KeyBinding::Parse("", &binding, &error));
  EXPECT_FALSE(KeyBinding::Parse("Hyper+R", &binding, &error));
  EXPECT_EQ(error, "unknown modifier \"Hyper\" in \"Hyper+R\"");
  EXPECT_FALSE(KeyBinding::Parse("Ctrl+F25", &binding, &error));
  EXPECT_EQ(error, "unknown key \"F25\" in \"Ctrl+F25\"");
  EXPECT_FALSE(KeyBinding::Parse("Ctrl+", &binding, &error));
  EXPECT_FALSE(KeyBinding::Parse("Ctrl+F1x", &binding, &error));
}

TEST(KeyBindingTest, TheBindingsTravelThroughTheConfigurationFile) {
  const auto document = base::variant::Variant::FromJson(R"({"shortcuts": {"start_stop_record": "Ctrl+Shift+F5"}})");
  const HostConfig config = HostConfig::FromVariant(document);
  EXPECT_EQ(config.sections["shortcuts"].GetString("start_stop_record"), "Ctrl+Shift+F5");
  const HostConfig again = HostConfig::FromVariant(config.ToVariant());
  EXPECT_EQ(again.sections["shortcuts"].GetString("start_stop_record"), "Ctrl+Shift+F5");
  EXPECT_FALSE(config.ToVariant()["ability"].Has("shortcuts")) << "not an ability section";
}

}  // namespace
}  // namespace host::app
