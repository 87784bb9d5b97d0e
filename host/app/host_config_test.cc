#include "host/app/host_config.h"

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/app/host_model_ids.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/kovani_common/web.h"
#include "host/sdk/utils/config_service.h"

namespace host::app {
namespace {

using base::variant::Variant;

const char kDocument[] = R"({
  "backend_url": "http://127.0.0.1:9000",
  "web_host": "https://web.test/",
  "account": {"app_id": "100", "app_uid": "u1", "token": "t", "secret": "s"},
  "realtime": {"http_quic_enable": true},
  "ability": {"quick_record_ability": {"quick_record_all_tab_enable": "true"}}
})";

TEST(HostConfigTest, MissingFileGivesDefaultsAndBadFileAnError) {
  HostConfig config;
  std::string error;
  EXPECT_TRUE(HostConfig::Load("/nonexistent/quickrec.json", &config, &error));
  EXPECT_FALSE(config.account.signed_in());
  const std::string path = ::testing::TempDir() + "/bad_config.json";
  std::ofstream(path) << "{not json";
  EXPECT_FALSE(HostConfig::Load(path, &config, &error));
  EXPECT_NE(error.find(path), std::string::npos);
  std::remove(path.c_str());
}

TEST(HostConfigTest, SectionsAndAccountAreServedToModules) {
  base::test::TestTaskEnvironment env;
  HostApplication app(HostConfig::FromVariant(Variant::FromJson(kDocument)));
  EXPECT_TRUE(kovanisdk::utils::config::GetBool("quick_record_ability", "quick_record_all_tab_enable", false));
  EXPECT_TRUE(kovanisdk::utils::config::GetBool("realtime", "http_quic_enable", false));
  EXPECT_FALSE(kovanisdk::utils::config::GetBool("quick_record_ability", "missing", false));
  EXPECT_EQ(kovani_common::utils::web::GetWebHost(), "https://web.test");
  EXPECT_EQ(kovani_common::utils::web::ReviseWebUrl("/a"), "https://web.test/a");
  EXPECT_EQ(kovani_common::utils::web::ReviseWebUrl("http://x/y"), "http://x/y");
  std::string app_id, app_uid;
  kovani_common::utils::GetPersonalAppIdAndAppUid(&app_id, &app_uid);
  EXPECT_EQ(app_id, "100");
  EXPECT_EQ(kovani_common::utils::GetSelfAppUid(), "u1");
}

TEST(HostConfigTest, RoundTripsThroughItsDocument) {
  const HostConfig config = HostConfig::FromVariant(Variant::FromJson(kDocument));
  const HostConfig again = HostConfig::FromVariant(config.ToVariant());
  EXPECT_EQ(again.ToVariant(), config.ToVariant());
  EXPECT_EQ(again.account.secret, "s");
}

TEST(HostConfigTest, TheMeetingStateFollowsTheConfiguration) {
  base::test::TestTaskEnvironment env;
  {
    HostApplication app(HostConfig::FromVariant(Variant::FromJson(R"({"in_meeting": true})")));
    EXPECT_TRUE(app.host_config().in_meeting);
    EXPECT_TRUE(kovani_common::utils::inmeeting::IsInMeeting());
    app.ApplyConfig(HostConfig{});
    EXPECT_FALSE(kovani_common::utils::inmeeting::IsInMeeting());
    app.ApplyConfig(HostConfig::FromVariant(Variant::FromJson(R"({"in_meeting": true})")));
    EXPECT_TRUE(kovani_common::utils::inmeeting::IsInMeeting());
  }
  EXPECT_FALSE(kovani_common::utils::inmeeting::IsInMeeting());  // the host is gone
}

TEST(ConfigModelTest, AChangeFiresOnceAndOnlyWhenTheValueDiffers) {
  base::test::TestTaskEnvironment env;
  HostApplication app;
  int changes = 0;
  Variant last;
  app.config()->Subscribe(kConfigChangedEvent, 1, [&](int32_t, const Variant& change) {
    ++changes;
    last = change;
  });
  app.config()->SetValue("s", "k", Variant(true));
  app.config()->SetValue("s", "k", Variant(true));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(last.GetString("section"), "s");
  EXPECT_EQ(last.GetString("key"), "k");
  Variant args;
  args["section"] = "s";
  args["key"] = "missing";
  args["def_value"] = 5;
  Variant result;
  EXPECT_TRUE(app.config()->Call(kConfigGetValue, args, &result));
  EXPECT_EQ(result, Variant(5));
}

}  // namespace
}  // namespace host::app
