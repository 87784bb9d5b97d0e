#include "module/quick_record/model/quick_record_scheme_model.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"

namespace quick_record {
namespace {

using base::variant::Variant;

class SchemeModelTest : public ::testing::Test {
 protected:
  void SetUp() override { model_->Init(); }
  void TearDown() override { model_->UnInit(); }
  std::string HelpUrl() {
    Variant result;
    EXPECT_TRUE(model_->Call(QuickRecordSchemeModel::kInvokeCallFuncGetAccessPermissionHelpUrl, Variant(), &result));
    return result.AsString();
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  std::shared_ptr<QuickRecordSchemeModel> model_ = std::make_shared<QuickRecordSchemeModel>();
};

TEST_F(SchemeModelTest, WithoutAConfiguredAddressTheDefaultPageIsAnswered) {
  const std::string url = HelpUrl();
  EXPECT_EQ(url.rfind("https://", 0), 0u);
  EXPECT_TRUE(url.ends_with("/v2/screen-permission-solution")) << url;
}

TEST_F(SchemeModelTest, AConfigurationChangeIsPickedUpWithoutARestart) {
  base::logging::ScopedLogCapture capture;
  app_.config()->SetValue("meeting-ability", "access_permission_helping_url", Variant("https://help.test/grant"));
  EXPECT_EQ(HelpUrl(), "https://help.test/grant");
  EXPECT_TRUE(capture.Contains("get access permission help url: https://help.test/grant"));
}

TEST_F(SchemeModelTest, TheDefaultFollowsTheConfiguredWebHost) {
  app_.config()->SetValue("web", "host", Variant("https://web.test"));
  EXPECT_EQ(HelpUrl(), "https://web.test/v2/screen-permission-solution");
}

TEST_F(SchemeModelTest, CalledWithoutAResultItLogs) {
  base::logging::ScopedLogCapture capture;
  EXPECT_TRUE(model_->Call(QuickRecordSchemeModel::kInvokeCallFuncGetAccessPermissionHelpUrl, Variant(), nullptr));
  EXPECT_TRUE(capture.Contains("result is null"));
}

TEST_F(SchemeModelTest, RelayFiresTheArgumentUnchanged) {
  Variant seen;
  model_->Subscribe(QuickRecordSchemeModel::kEventRelayed, 1, [&](int32_t, const Variant& payload) { seen = payload; });
  Variant args;
  args["url"] = "x";
  args["n"] = 3;
  EXPECT_TRUE(model_->Call(QuickRecordSchemeModel::kInvokeRelay, args, nullptr));
  EXPECT_EQ(seen, args);
}

}  // namespace
}  // namespace quick_record
