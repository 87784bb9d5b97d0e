#include "module/quick_record/model/quick_record_vorta_config_model.h"

#include <gtest/gtest.h>

#include "host/app/host_app_model.h"
#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/paths.h"

namespace quick_record {
namespace {

using Model = QuickRecordVortaConfigModel;

class QuickRecordVortaConfigModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_app_ = std::dynamic_pointer_cast<host::app::HostAppModel>(
        framework::module::GetAppModuleModel(host::app::kHostAppModelId));
    ASSERT_TRUE(host_app_);
    model_->Init();
  }
  void TearDown() override { model_->UnInit(); }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  QuickRecordMediaConfig config_;
  std::shared_ptr<Model> model_ = std::make_shared<Model>(&config_);
  std::shared_ptr<host::app::HostAppModel> host_app_;
};

TEST_F(QuickRecordVortaConfigModelTest, TheShippedConfigurationMapsCapturesToEnginePresets) {
  ASSERT_TRUE(config_.CheckParseConfigIfNeed()) << kovani_common::utils::record::GetDynamicResourceDirectory();
  EXPECT_EQ(config_.PresetName(1080, 30), "screen-1080p");
  EXPECT_EQ(config_.PresetName(720, 30), "screen-720p");
  EXPECT_EQ(config_.PresetName(2160, 60), "archive-playing-4k-60fps");
  const auto items = config_.QueryPreset(720, 30);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0].key, "preset-internal");
  EXPECT_EQ(items[0].value.AsString(), "veryfast");
  EXPECT_EQ(config_.FindCpuPower(1080, 30)->level, 2u);
}

TEST_F(QuickRecordVortaConfigModelTest, AnUpdateOrDeleteOfItsResourceRebuildsThePathAndParsesAgain) {
  ASSERT_TRUE(config_.CheckParseConfigIfNeed());
  app_.user_config()->Set(Model::kRelativePathKey, "quick_record/none.json");
  base::logging::ScopedLogCapture log;
  host_app_->NotifyDynamicResUpdateComplete("another_resource");
  EXPECT_TRUE(config_.CheckParseConfigIfNeed());
  EXPECT_FALSE(log.Contains("config_path "));

  host_app_->NotifyDynamicResUpdateComplete(Model::kResourceName);
  EXPECT_TRUE(config_.CheckParseConfigIfNeed()) << "the previous configuration stays in force";
  EXPECT_TRUE(log.Contains("quick_record/none.json"));
  EXPECT_TRUE(log.Contains("can't find config file"));

  app_.user_config()->Set(Model::kRelativePathKey, "");
  host_app_->NotifyDynamicResDeleteComplete(Model::kResourceName);
  config_.CheckParseConfigIfNeed();
  EXPECT_TRUE(log.Contains("relative path is empty"));
}

}  // namespace
}  // namespace quick_record
