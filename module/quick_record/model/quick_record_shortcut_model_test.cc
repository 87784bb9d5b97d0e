#include "module/quick_record/model/quick_record_shortcut_model.h"

#include "host/app/host_app_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/view_model/recording_view.h"
#include "host/sdk/kovani_common/account.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/recording_model_test.h"
#include "module/quick_record/view_model/bottom_bar/quick_record_bottom_bar_view_model.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordShortcutModel;

class QuickRecordShortcutModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    model_->Init();
    for (int32_t event : {Model::kEventStartRequested, Model::kEventStopRequested, Model::kEventPauseRequested,
                          Model::kEventResumeRequested}) {
      model_->Subscribe(event, 1, [this](int32_t id, const Variant&) { fired_.push_back(id); });
    }
    host_app_ = std::dynamic_pointer_cast<host::app::HostAppModel>(
        framework::module::GetAppModuleModel(host::app::kHostAppModelId));
    ASSERT_TRUE(host_app_);
  }
  void TearDown() override {
    model_->UnInit();
    RecordingModelTest::TearDown();
  }
  std::vector<int32_t> Take() { return std::exchange(fired_, {}); }
  // A key pressed in one of our windows, as the control bar forwards it; true when taken.
  bool PressKey(uint32_t keysym, uint16_t modifiers) {
    Variant key = Variant::MakeMap();
    key.Set("vkey", static_cast<int64_t>(keysym));
    key.Set("modifiers", static_cast<int32_t>(modifiers));
    key.Set("from_bottom_bar", true);
    return model_->Call(Model::kInvokeHandleKeyPressed, key, nullptr);
  }

  static constexpr uint16_t kShift = 0x01, kCtrl = 0x04, kAlt = 0x08, kCapsLock = 0x02;

  std::shared_ptr<Model> model_ = std::make_shared<Model>();
  std::shared_ptr<host::app::HostAppModel> host_app_;
  std::vector<int32_t> fired_;
};

TEST_F(QuickRecordShortcutModelTest, StartStopFollowsTheRecorderState) {
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested}));
  ASSERT_TRUE(StartRecording());
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested}));
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested})) << "a paused recording is stopped too";
}

TEST_F(QuickRecordShortcutModelTest, PauseResumeActsOnlyOnARunningOrPausedRecording) {
  host_app_->PressPauseResumeShortcut();
  EXPECT_TRUE(Take().empty()) << "stopped: nothing";
  ASSERT_TRUE(StartRecording());
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventPauseRequested}));
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventResumeRequested}));
}

TEST_F(QuickRecordShortcutModelTest, DuringAMeetingTheStartStopShortcutIsIgnored) {
  kovani_common::utils::inmeeting::SetInMeeting(true);
  base::logging::ScopedLogCapture log;
  host_app_->PressStartStopShortcut();
  ASSERT_TRUE(StartRecording());
  host_app_->PressStartStopShortcut();
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(log.Count("Is in meeting. Ignore start or stop record shortcut."), 2u);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  kovani_common::utils::inmeeting::SetInMeeting(false);
}

TEST_F(QuickRecordShortcutModelTest, WithoutARecorderStartIsRequestedAndPauseIgnored) {
  kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  base::logging::ScopedLogCapture log;
  host_app_->PressStartStopShortcut();
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested}));
  EXPECT_TRUE(log.Contains("event -> start record."));
}

static_assert(Model::kInvokeHandleKeyPressed == QuickRecordModel::kInvokeHandleKeyPressed,
              "the control bar calls the shortcut model by the session model's method id");

TEST_F(QuickRecordShortcutModelTest, AKeyOfTheStartStopShortcutActsInEachRecorderState) {
  EXPECT_TRUE(PressKey('r', kCtrl | kAlt));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested})) << "stopped";
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(PressKey('R', kCtrl | kAlt | kCapsLock));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested})) << "recording";
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  EXPECT_TRUE(PressKey('r', kCtrl | kAlt));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested})) << "paused";
  kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  EXPECT_TRUE(PressKey('r', kCtrl | kAlt));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested})) << "no recorder";
}

TEST_F(QuickRecordShortcutModelTest, AKeyOfThePauseResumeShortcutActsInEachRecorderState) {
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt));
  EXPECT_TRUE(Take().empty()) << "stopped";
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventPauseRequested})) << "recording";
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventResumeRequested})) << "paused";
  kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt));
  EXPECT_TRUE(Take().empty()) << "no recorder";
}

TEST_F(QuickRecordShortcutModelTest, AKeyWithoutItsModifiersOrOfNoShortcutIsNotTaken) {
  ASSERT_TRUE(StartRecording());
  EXPECT_FALSE(PressKey('r', kCtrl));
  EXPECT_FALSE(PressKey('r', 0));
  EXPECT_FALSE(PressKey('p', kCtrl | kAlt | kShift));
  EXPECT_FALSE(PressKey(' ', 0));
  EXPECT_FALSE(PressKey('x', kCtrl | kAlt));
  EXPECT_FALSE(model_->Call(Model::kInvokeHandleKeyPressed, Variant(), nullptr)) << "no key at all";
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
}

TEST_F(QuickRecordShortcutModelTest, KeysFollowTheShortcutsTheHostIsConfiguredWith) {
  app_.config()->SetValue(host::app::HostAppModel::kShortcutSection, host::app::HostAppModel::kStartStopAction,
                          "Shift+F9");
  EXPECT_FALSE(PressKey('r', kCtrl | kAlt)) << "the default no longer starts";
  EXPECT_TRUE(PressKey(0xffc6, kShift));
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested}));
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt)) << "the pause shortcut keeps its default";
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventPauseRequested}));
}

TEST_F(QuickRecordShortcutModelTest, DuringAMeetingTheStartStopKeyIsIgnoredLikeTheShortcut) {
  kovani_common::utils::inmeeting::SetInMeeting(true);
  base::logging::ScopedLogCapture log;
  EXPECT_TRUE(PressKey('r', kCtrl | kAlt));
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(PressKey('r', kCtrl | kAlt));
  EXPECT_TRUE(PressKey('p', kCtrl | kAlt));
  kovani_common::utils::inmeeting::SetInMeeting(false);
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventPauseRequested})) << "pause is not bound to the meeting";
  EXPECT_EQ(log.Count("Is in meeting. Ignore start or stop record shortcut."), 2u);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
}

TEST_F(QuickRecordShortcutModelTest, AShortcutKeyPressedOnTheControlBarPausesAndResumesTheRecording) {
  using Bar = QuickRecordBottomBarViewModel;
  auto session = std::make_shared<QuickRecordModel>(recorder_model_);
  session->Init();
  Bar::Models models;
  models.session = session;
  models.recorder = recorder_model_;
  models.shortcut = model_;
  auto bar = std::make_shared<Bar>(models);
  Variant params = Variant::MakeMap();
  params.Set("router_params", Variant::FromJson(R"({"mode": 2, "camera_device_id": "", "enable_mic": false})"));
  bar->SetViewParams(params);
  framework::RecordingView view;
  bar->AttachView(&view);
  ASSERT_TRUE(StartRecording());
  auto press = [&](uint32_t keysym, uint16_t modifiers) {
    Variant key = Variant::MakeMap();
    key.Set("BottomBarHandleKeyPressedFields_kIntegerVirtualKey", static_cast<int64_t>(keysym));
    key.Set("BottomBarHandleKeyPressedFields_kIntegerModifiers", static_cast<int32_t>(modifiers));
    bar->Dispatch(Bar::kActionKeyPressed, &key);
  };

  press('p', kCtrl | kAlt);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStatePaused);
  EXPECT_TRUE(bar->paused());
  base::logging::ScopedLogCapture log;
  press('p', kCtrl);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStatePaused) << "not the shortcut: nothing happens";
  EXPECT_TRUE(log.Contains("key press not taken by the shortcut model"));
  press('p', kCtrl | kAlt);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  EXPECT_FALSE(bar->paused());
  bar->DetachView();
  session->UnInit();
}

TEST_F(QuickRecordShortcutModelTest, AfterUnInitShortcutsReachNobody) {
  model_->UnInit();
  host_app_->PressStartStopShortcut();
  EXPECT_TRUE(Take().empty());
  model_->Init();
}

}  // namespace
}  // namespace quick_record
