#include "host/app/host_application.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "host/app/host_model_ids.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/utils/config_service.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace host::app {
namespace {

using base::variant::Variant;

// Points the user data directory at a private temporary directory for the test.
class ScopedDataHome {
 public:
  ScopedDataHome() {
    const char* old = std::getenv("XDG_DATA_HOME");
    if (old) previous_ = old;
    had_previous_ = old != nullptr;
    setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);
  }
  ~ScopedDataHome() {
    if (had_previous_) setenv("XDG_DATA_HOME", previous_.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
  }
  const std::string& path() const { return dir_.path(); }

 private:
  util::file::ScopedTempDir dir_;
  std::string previous_;
  bool had_previous_ = false;
};

std::string ConfigText(const std::string& uid, bool all_tab) {
  return R"({"account": {"app_id": "1", "app_uid": ")" + uid + R"(", "token": "t", "secret": "s"},
             "ability": {"quick_record_ability": {"quick_record_all_tab_enable": )" +
         (all_tab ? std::string("true") : std::string("false")) + "}}}";
}

class HostApplicationTest : public ::testing::Test {
 protected:
  std::string WriteConfig(const std::string& uid, bool all_tab) {
    const std::string path = config_dir_.Child("config.json");
    EXPECT_TRUE(util::file::WriteFileAtomically(path, ConfigText(uid, all_tab)));
    return path;
  }
  HostConfig Load(const std::string& path) {
    HostConfig config;
    std::string error;
    EXPECT_TRUE(HostConfig::Load(path, &config, &error)) << error;
    return config;
  }

  base::test::TestTaskEnvironment env_;
  ScopedDataHome data_home_;
  util::file::ScopedTempDir config_dir_;
};

TEST_F(HostApplicationTest, ReloadAnnouncesChangedValuesAndModulesReadTheNewOnes) {
  HostApplication app(Load(WriteConfig("u1", false)));
  std::vector<std::string> changed;
  app.config()->Subscribe(kConfigChangedEvent, 1, [&](int32_t, const Variant& change) {
    changed.push_back(change.GetString("section") + "/" + change.GetString("key"));
  });
  EXPECT_FALSE(kovanisdk::utils::config::GetBool("quick_record_ability", "quick_record_all_tab_enable", true));
  WriteConfig("u1", true);
  std::string error;
  ASSERT_TRUE(app.ReloadConfig(&error)) << error;
  EXPECT_EQ(changed, (std::vector<std::string>{"quick_record_ability/quick_record_all_tab_enable"}));
  EXPECT_TRUE(kovanisdk::utils::config::GetBool("quick_record_ability", "quick_record_all_tab_enable", false));

  // A broken file changes nothing.
  ASSERT_TRUE(util::file::WriteFileAtomically(config_dir_.Child("config.json"), "{"));
  EXPECT_FALSE(app.ReloadConfig(&error));
  EXPECT_TRUE(kovanisdk::utils::config::GetBool("quick_record_ability", "quick_record_all_tab_enable", false));
}

TEST_F(HostApplicationTest, UserConfigurationIsPerUserAndSurvivesARestart) {
  {
    HostApplication app(Load(WriteConfig("u1", false)));
    app.user_config()->Set("meeting.record.save_path", Variant("/records/u1"));
  }
  HostApplication app(Load(WriteConfig("u1", false)));
  EXPECT_EQ(app.user_config()->Get("meeting.record.save_path").AsString(), "/records/u1");
  EXPECT_TRUE(util::file::IsFileExist(data_home_.path() + "/quickrec/u1/user_config.json"));
}

TEST_F(HostApplicationTest, AnotherAccountSwitchesTheUserConfigurationAndIsAnnounced) {
  HostApplication app(Load(WriteConfig("u1", false)));
  app.user_config()->Set("k", Variant("of u1"));
  Variant auth_change;
  app.auth()->Subscribe(kAuthStateChangedEvent, 1, [&](int32_t, const Variant& change) { auth_change = change; });
  EXPECT_EQ(app.auth()->auth_state(), kAuthStateAuthorized);

  app.ApplyConfig(Load(WriteConfig("u2", false)));
  EXPECT_EQ(kovani_common::utils::GetSelfAppUid(), "u2");
  EXPECT_TRUE(app.user_config()->Get("k").IsNull());
  EXPECT_EQ(auth_change.GetInt32("auth_state"), kAuthStateAuthorized);
  EXPECT_EQ(auth_change.GetString("source"), "config");

  auth_change = Variant();
  app.ApplyConfig(Load(WriteConfig("u2", false)));  // the same user again: nothing to announce
  EXPECT_TRUE(auth_change.IsNull());

  app.ApplyConfig(Load(WriteConfig("u1", false)));
  EXPECT_EQ(app.user_config()->Get("k").AsString(), "of u1");

  HostConfig signed_out = Load(WriteConfig("", false));
  app.ApplyConfig(signed_out);
  EXPECT_EQ(auth_change.GetInt32("auth_state", -1), kAuthStateSignedOut);
  Variant state;
  EXPECT_TRUE(app.auth()->Call(kAuthGetState, Variant(), &state));
  EXPECT_EQ(state.GetInt32("auth_state", -1), kAuthStateSignedOut);
}

}  // namespace
}  // namespace host::app
