#include "host/app/user_config_model.h"

#include <gtest/gtest.h>

#include "host/app/host_model_ids.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace host::app {
namespace {

using base::variant::Variant;

class UserConfigModelTest : public ::testing::Test {
 protected:
  std::string PathFor(const std::string& user) { return dir_.path() + "/" + user + "/user_config.json"; }
  util::file::ScopedTempDir dir_;
};

TEST_F(UserConfigModelTest, SettingsSurviveARestart) {
  {
    UserConfigModel store(PathFor("u1"));
    store.Set("quick_record.fail_host_detect_time", Variant(int64_t{1'780'000'000}));
    store.Set("meeting.record.save_path", Variant("/tmp/rec"));
  }
  UserConfigModel again(PathFor("u1"));
  EXPECT_EQ(again.Get("quick_record.fail_host_detect_time").AsInt64(), 1'780'000'000);
  EXPECT_EQ(again.Get("meeting.record.save_path").AsString(), "/tmp/rec");
  EXPECT_EQ(again.Get("missing", Variant("def")).AsString(), "def");
}

TEST_F(UserConfigModelTest, ReadAndWriteThroughTheModelCalls) {
  UserConfigModel store(PathFor("u1"));
  Variant set;
  set["key"] = "quick_record.host_detect_result";
  set["value"] = "{}";
  EXPECT_TRUE(store.Call(kUserConfigSet, set, nullptr));
  Variant get;
  get["key"] = "quick_record.host_detect_result";
  get["def_value"] = "";
  Variant result;
  EXPECT_TRUE(store.Call(kUserConfigGet, get, &result));
  EXPECT_EQ(result.AsString(), "{}");
  get["key"] = "missing";
  EXPECT_TRUE(store.Call(kUserConfigGet, get, &result));
  EXPECT_EQ(result.AsString("x"), "");
}

TEST_F(UserConfigModelTest, AnUnreadableFileStartsEmptyAndIsReplacedOnTheNextWrite) {
  ASSERT_TRUE(util::file::MakePath(dir_.path() + "/u1"));
  ASSERT_TRUE(util::file::WriteFileAtomically(PathFor("u1"), "{torn"));
  UserConfigModel store(PathFor("u1"));
  EXPECT_TRUE(store.Get("a").IsNull());
  store.Set("a", Variant(1));
  EXPECT_EQ(UserConfigModel(PathFor("u1")).Get("a").AsInt32(), 1);
}

TEST_F(UserConfigModelTest, SwitchingUsersAnnouncesEveryKeyThatDiffers) {
  {
    UserConfigModel other(PathFor("u2"));
    other.Set("shared", Variant(1));
    other.Set("only_u2", Variant(2));
  }
  UserConfigModel store(PathFor("u1"));
  store.Set("shared", Variant(1));
  store.Set("only_u1", Variant(3));
  std::vector<std::string> announced;
  store.Subscribe(kUserConfigChangedEvent, 1, [&](int32_t, const Variant& change) { announced.push_back(change.GetString("key")); });
  store.Open(PathFor("u2"));
  std::sort(announced.begin(), announced.end());
  EXPECT_EQ(announced, (std::vector<std::string>{"only_u1", "only_u2"}));
  EXPECT_TRUE(store.Get("only_u1").IsNull());
  EXPECT_EQ(store.Get("only_u2").AsInt32(), 2);
}

TEST_F(UserConfigModelTest, WithoutAPathNothingTouchesTheDisk) {
  UserConfigModel store;
  store.Set("a", Variant(1));
  EXPECT_EQ(store.Get("a").AsInt32(), 1);
  EXPECT_TRUE(store.path().empty());
}

}  // namespace
}  // namespace host::app
