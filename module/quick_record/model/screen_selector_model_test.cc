#include "module/quick_record/model/screen_selector_model.h"

#include <gtest/gtest.h>

#include "host/app/device_model.h"
#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"

namespace quick_record {
namespace {

using base::variant::Variant;

// Stands in for host model 509: answers method 27 with whatever screens the test sets.
class ScreenListModel : public framework::ModelImpl {
 public:
  ScreenListModel() : framework::ModelImpl(host::app::kDeviceModelId) {
    BindMethod(host::app::kDeviceGetScreens, [this](const Variant&, Variant* result) {
      ++calls;
      if (result) *result = screens;
      return true;
    });
  }
  void SetScreens(std::initializer_list<const char*> ids) {
    screens = Variant::MakeArray();
    for (const char* id : ids) {
      Variant screen = Variant::MakeMap();
      screen.Set("monitor_uuid", id);
      screens.Add(screen);
    }
  }
  void AnnounceChange() { FireEvent(host::app::kDeviceScreensChangedEvent, screens); }
  Variant screens = Variant::MakeArray();
  int calls = 0;
};

class ScreenSelectorModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.RegisterHostModel(host::app::kDeviceModelId, [this] { return devices_; });
    devices_->SetScreens({"m-1", "m-2"});
    model_->Init();
    model_->Subscribe(ScreenSelectorModel::kEventScreenSelected, 1, [this](int32_t, const Variant& p) { screen_events_.push_back(p); });
    model_->Subscribe(ScreenSelectorModel::kEventWindowSelected, 1, [this](int32_t, const Variant& p) { window_events_.push_back(p); });
  }
  void TearDown() override { model_->UnInit(); }

  bool SelectScreen(const std::string& id, bool need_recover = false) {
    Variant args = Variant::MakeMap();
    args.Set("monitor_id", id);
    if (need_recover) args.Set("need_recover", true);
    return model_->Call(ScreenSelectorModel::kInvokeSelectScreen, args, nullptr);
  }
  bool SelectWindow(uint64_t window_id) {
    Variant window = Variant::MakeMap();
    window.Set("window_id", window_id);
    window.Set("title", "Editor");
    return model_->Call(ScreenSelectorModel::kInvokeSelectAppWindow, window, nullptr);
  }
  int32_t ScreenNumber() {
    Variant number;
    model_->Call(ScreenSelectorModel::kInvokeGetSelectedScreenNumber, Variant(), &number);
    return number.AsInt32(-1);
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  std::shared_ptr<ScreenListModel> devices_ = std::make_shared<ScreenListModel>();
  std::shared_ptr<ScreenSelectorModel> model_ = std::make_shared<ScreenSelectorModel>();
  std::vector<Variant> screen_events_;
  std::vector<Variant> window_events_;
};

TEST_F(ScreenSelectorModelTest, ScreensAreNamedFromOneAndIndexedFromZero) {
  devices_->AnnounceChange();
  const Variant& screens = model_->screens();
  ASSERT_EQ(screens.Size(), 2u);
  EXPECT_EQ(screens[0].GetString("name"), "Screen 1");
  EXPECT_EQ(screens[1].GetString("name"), "Screen 2");
  EXPECT_EQ(screens[1].GetInt32("index"), 1);
  EXPECT_EQ(screens[1].GetInt32("type"), 2);
  EXPECT_EQ(screens[1].GetString("monitor_uuid"), "m-2");
}

TEST_F(ScreenSelectorModelTest, AnUnknownScreenRefreshesTheListOnceBeforeGivingUp) {
  base::logging::ScopedLogCapture log;
  EXPECT_TRUE(SelectScreen("m-2"));  // the empty cache is refreshed first
  EXPECT_EQ(devices_->calls, 1);
  EXPECT_EQ(ScreenNumber(), 2);
  SelectScreen("m-9");
  EXPECT_EQ(devices_->calls, 2);
  EXPECT_TRUE(log.Contains("unknown monitor: m-9"));
  EXPECT_EQ(ScreenNumber(), 0);
  EXPECT_EQ(model_->selected_monitor_id(), "m-2");  // the stored selection stays
  EXPECT_EQ(screen_events_.size(), 1u);
}

TEST_F(ScreenSelectorModelTest, WindowAndScreenSelectionsReplaceEachOther) {
  ASSERT_TRUE(SelectScreen("m-1"));
  ASSERT_TRUE(SelectWindow(77));
  EXPECT_TRUE(model_->selected_monitor_id().empty());
  EXPECT_EQ(model_->selected_window().GetUInt64("window_id"), 77u);
  EXPECT_EQ(ScreenNumber(), 0);
  ASSERT_EQ(window_events_.size(), 1u);
  EXPECT_EQ(window_events_[0].GetString("title"), "Editor");
  ASSERT_TRUE(SelectScreen("m-2"));
  EXPECT_EQ(model_->selected_window().Size(), 0u);
  EXPECT_EQ(model_->selected_monitor_id(), "m-2");
}

TEST_F(ScreenSelectorModelTest, RestoreSelectsTheScreenAgainButNeverAWindow) {
  ASSERT_TRUE(SelectWindow(77));
  EXPECT_TRUE(model_->Call(ScreenSelectorModel::kInvokeRestoreSelection, Variant(), nullptr));
  EXPECT_EQ(window_events_.size(), 1u);
  EXPECT_TRUE(screen_events_.empty());

  ASSERT_TRUE(SelectScreen("m-1"));
  EXPECT_TRUE(model_->Call(ScreenSelectorModel::kInvokeRestoreSelection, Variant(), nullptr));
  ASSERT_EQ(screen_events_.size(), 2u);
  EXPECT_EQ(screen_events_[1].GetString("monitor_id"), "m-1");
}

TEST_F(ScreenSelectorModelTest, NeedRecoverMovesOnlyTheNumberButStillFires) {
  ASSERT_TRUE(SelectScreen("m-1"));
  ASSERT_TRUE(SelectScreen("m-2", /*need_recover=*/true));
  EXPECT_EQ(ScreenNumber(), 2);
  EXPECT_EQ(model_->selected_monitor_id(), "m-1");
  ASSERT_EQ(screen_events_.size(), 2u);
  EXPECT_TRUE(screen_events_[1].GetBool("need_recover"));
}

TEST_F(ScreenSelectorModelTest, SelectByIdTakesTheIdAsText) {
  EXPECT_TRUE(model_->Call(ScreenSelectorModel::kInvokeSelectScreenById, Variant("m-2"), nullptr));
  EXPECT_EQ(model_->selected_monitor_id(), "m-2");
}

TEST_F(ScreenSelectorModelTest, WindowInformationWithoutAnIdIsRefused) {
  base::logging::ScopedLogCapture log;
  EXPECT_FALSE(model_->Call(ScreenSelectorModel::kInvokeSelectAppWindow, Variant(), nullptr));
  EXPECT_TRUE(log.Contains("null window info."));
  Variant no_id = Variant::MakeMap();
  no_id.Set("title", "x");
  EXPECT_FALSE(model_->Call(ScreenSelectorModel::kInvokeSelectAppWindow, no_id, nullptr));
  EXPECT_TRUE(window_events_.empty());
}

TEST_F(ScreenSelectorModelTest, ANonArrayAnswerKeepsTheOldCache) {
  devices_->AnnounceChange();
  devices_->screens = Variant("not a list");
  base::logging::ScopedLogCapture log;
  devices_->AnnounceChange();
  EXPECT_TRUE(log.Contains("this function maybe changed, please check the code."));
  EXPECT_EQ(model_->screens().Size(), 2u);
}

TEST_F(ScreenSelectorModelTest, FreeTextIsKeptAndOnlyTextIsAccepted) {
  EXPECT_TRUE(model_->Call(ScreenSelectorModel::kInvokeSetText, Variant("hello"), nullptr));
  EXPECT_FALSE(model_->Call(ScreenSelectorModel::kInvokeSetText, Variant(3), nullptr));
  Variant text;
  EXPECT_TRUE(model_->Call(ScreenSelectorModel::kInvokeGetText, Variant(), &text));
  EXPECT_EQ(text.AsString(), "hello");
  EXPECT_FALSE(model_->Call(0x12345, Variant(), nullptr));
}

TEST_F(ScreenSelectorModelTest, AfterUnInitScreenChangesAreNotFollowed) {
  model_->UnInit();
  devices_->AnnounceChange();
  EXPECT_EQ(model_->screens().Size(), 0u);
}

}  // namespace
}  // namespace quick_record
