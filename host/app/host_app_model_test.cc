#include "host/app/host_app_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"

namespace host::app {
namespace {

using base::variant::Variant;

class HostAppModelTest : public ::testing::Test {
 protected:
  Variant TabArgs(int table_type, bool only_query) {
    Variant args;
    args.Set("table_type", table_type);
    args.Set("is_first_page", true);
    args.Set("record_method_type", 0);
    args.Set("only_query", only_query);
    return args;
  }

  base::test::TestTaskEnvironment env_;
  std::shared_ptr<HostAppModel> model_ = std::make_shared<HostAppModel>();
};

TEST_F(HostAppModelTest, NothingIsPreloadedUnlessInstalled) {
  Variant result;
  EXPECT_FALSE(model_->Call(kHostAppGetTabRecordPreload, TabArgs(0, false), &result));
  Variant meeting;
  meeting.Set("meeting_id", "m1");
  EXPECT_FALSE(model_->Call(kHostAppGetMeetingRecordPreload, meeting, &result));
  ASSERT_TRUE(model_->Call(kHostAppOnlyHasMeetingLocalRecord, meeting, &result));
  EXPECT_FALSE(result.GetBool("result", true));
}

TEST_F(HostAppModelTest, TabPreloadIsHandedOutOnceUnlessOnlyQueried) {
  model_->InstallTabRecordPreload(2, {200, "ok", 0, R"({"data":{"records":[]}})"});
  Variant result;
  EXPECT_FALSE(model_->Call(kHostAppGetTabRecordPreload, TabArgs(0, false), &result));  // another table
  ASSERT_TRUE(model_->Call(kHostAppGetTabRecordPreload, TabArgs(2, true), &result));
  ASSERT_TRUE(model_->Call(kHostAppGetTabRecordPreload, TabArgs(2, false), &result));
  const Variant& preloaded = result["result"];
  EXPECT_EQ(preloaded.GetInt32("status_code"), 200);
  EXPECT_EQ(preloaded.GetInt32("biz_code"), 0);
  EXPECT_EQ(preloaded.GetString("msg"), "ok");
  EXPECT_EQ(preloaded.GetString("body"), R"({"data":{"records":[]}})");
  EXPECT_FALSE(model_->Call(kHostAppGetTabRecordPreload, TabArgs(2, false), &result));
}

TEST_F(HostAppModelTest, MeetingPreloadAndLocalOnlyMeetings) {
  model_->InstallMeetingRecordPreload("m1", {200, "", 0, "{}"});
  model_->SetOnlyHasMeetingLocalRecord("m2", true);
  Variant m1;
  m1.Set("meeting_id", "m1");
  Variant m2;
  m2.Set("meeting_id", "m2");
  Variant result;
  ASSERT_TRUE(model_->Call(kHostAppGetMeetingRecordPreload, m1, &result));
  EXPECT_EQ(result["result"].GetString("body"), "{}");
  EXPECT_FALSE(model_->Call(kHostAppGetMeetingRecordPreload, m1, &result));
  ASSERT_TRUE(model_->Call(kHostAppOnlyHasMeetingLocalRecord, m2, &result));
  EXPECT_TRUE(result.GetBool("result"));
  model_->SetOnlyHasMeetingLocalRecord("m2", false);
  ASSERT_TRUE(model_->Call(kHostAppOnlyHasMeetingLocalRecord, m2, &result));
  EXPECT_FALSE(result.GetBool("result", true));
}

TEST_F(HostAppModelTest, ShortcutsArePublishedAsTheirOwnEvents) {
  std::vector<int32_t> fired;
  const auto subscriber = framework::NewSubscriberId();
  for (int32_t event : {kHostAppShortcutStartStopRecordEvent, kHostAppShortcutPauseResumeRecordEvent}) {
    model_->Subscribe(event, subscriber, [&](int32_t id, const Variant&) { fired.push_back(id); });
  }
  model_->PressStartStopShortcut();
  model_->PressPauseResumeShortcut();
  model_->PressStartStopShortcut();
  env_.RunUntilIdle();
  EXPECT_EQ(fired, (std::vector<int32_t>{kHostAppShortcutStartStopRecordEvent, kHostAppShortcutPauseResumeRecordEvent,
                                         kHostAppShortcutStartStopRecordEvent}));
}

// Which configured recording shortcut a key press is; "" when none.
std::string ShortcutOf(HostAppModel& model, uint32_t keysym, uint16_t state) {
  Variant key = Variant::MakeMap();
  key.Set("vkey", static_cast<int64_t>(keysym));
  key.Set("modifiers", static_cast<int32_t>(state));
  Variant result;
  if (!model.Call(kHostAppFindShortcutAction, key, &result)) return "";
  return result.GetString("action");
}

TEST_F(HostAppModelTest, KeyPressesAreMatchedAgainstTheDefaultShortcuts) {
  constexpr uint16_t kCtrlAlt = 0x04 | 0x08;
  EXPECT_EQ(ShortcutOf(*model_, 'r', kCtrlAlt), HostAppModel::kStartStopAction);
  EXPECT_EQ(ShortcutOf(*model_, 'R', kCtrlAlt), HostAppModel::kStartStopAction) << "either case of a letter";
  EXPECT_EQ(ShortcutOf(*model_, 'p', kCtrlAlt | 0x02 | 0x10), HostAppModel::kPauseResumeAction)
      << "Caps Lock and Num Lock do not count";
  EXPECT_EQ(ShortcutOf(*model_, 'r', 0x04), "") << "a modifier missing";
  EXPECT_EQ(ShortcutOf(*model_, 'r', kCtrlAlt | 0x01), "") << "a modifier too many";
  EXPECT_EQ(ShortcutOf(*model_, 'x', kCtrlAlt), "");
}

TEST_F(HostAppModelTest, KeyPressesFollowTheConfiguredShortcuts) {
  HostApplication app;
  app.config()->SetValue(HostAppModel::kShortcutSection, HostAppModel::kStartStopAction, "Shift+F5");
  app.config()->SetValue(HostAppModel::kShortcutSection, HostAppModel::kPauseResumeAction, "Ctrl+Hyper+P");
  EXPECT_EQ(ShortcutOf(*model_, 0xffc2, 0x01), HostAppModel::kStartStopAction);
  EXPECT_EQ(ShortcutOf(*model_, 'r', 0x04 | 0x08), "") << "the default is replaced";
  EXPECT_EQ(ShortcutOf(*model_, 'p', 0x04), "") << "a combination that does not parse matches nothing";
}

}  // namespace
}  // namespace host::app
