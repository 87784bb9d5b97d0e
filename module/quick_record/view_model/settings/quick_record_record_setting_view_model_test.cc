#include "module/quick_record/view_model/settings/quick_record_record_setting_view_model.h"

#include <gtest/gtest.h>

#include "host/app/auth_model.h"
#include "host/app/host_application.h"
#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/framework/view_model/recording_view.h"
#include "host/media/testing/fake_media_engine.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/user_config.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_home_model.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/recording_model_test.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"
#include "module/quick_record/view_model/settings/quick_record_old_record_setting_view_model.h"
#include "module/quick_record/view_model/testing_event_source.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordRecordSettingViewModel;
using kvp::av::AudioDeviceEvent;
using kvp::av::DeviceInfo;
using kvp::av::VideoDeviceEvent;

constexpr auto kProps = ViewModel::kProperties;

// The module active over a fake media engine whose devices the test adds and removes.
class QuickRecordRecordSettingViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.cameras = {{"cam-a", "Camera A", true, false}, {"cam-b", "Camera B", false, false}};
    engine_.microphones = {{"mic-a", "Mic A", true, false}, {"mic-b", "Mic B", false, false}};
    app_.user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path());
    Activate();
    // Recordings in these tests never reach the local database (see the page's test).
    ModuleModelOf(model_id::kQuickRecordUploadModel)->UnInit();
    kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder_);
    ASSERT_TRUE(recorder_);
    recorder_->SetDiskSpaceProbeForTesting([](const std::string&) { return int64_t{10} << 30; });
    // Any page stands in for the camera preview: the tests read how it was opened.
    framework::GetNavigatorService().RegisterRoute(ViewModel::kCameraPreviewRoute, kModuleName,
                                                   view_model_id::kQuickRecordResidentViewModel);
    Session()->Subscribe(QuickRecordModel::kEventRecordModeChanged, 91,
                         [this](int32_t, const Variant& payload) { mode_events_.push_back(payload); });
  }
  void TearDown() override {
    view_model_->DetachView();
    Session()->Unsubscribe(91);
    framework::GetNavigatorService().Reset();
    if (recorder_->GetState() != kovanisdk::plugin::kRecordStateStopped) recorder_->Stop();
    recorder_.reset();
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }

  ViewModel::Models WithApplication() const {
    ViewModel::Models models;
    models.application = application_;
    return models;
  }
  void Attach() { view_model_->AttachView(&view_); }
  void Act(int action, Variant payload = Variant::MakeMap()) { ActOn(*view_model_, action, std::move(payload)); }
  static void ActOn(framework::StatefulViewModel& panel, int action, Variant payload) { panel.Dispatch(action, &payload); }
  std::shared_ptr<framework::ModelImpl> Session() const { return ModuleModelOf(model_id::kQuickRecordModel); }
  Variant SessionConfig() const {
    Variant config;
    Session()->Call(QuickRecordModel::kInvokeGetQuickRecordConfigInfo, Variant(), &config);
    return config;
  }
  void RemoveCamera(const std::string& id) {
    std::erase_if(engine_.cameras, [&](const DeviceInfo& d) { return d.id == id; });
    VideoDeviceEvent event;
    event.type = VideoDeviceEvent::Type::kCameraRemoved;
    event.device.id = id;
    engine_.EmitVideoDeviceEvent(event);
    env_.FastForwardBy(1);
  }
  void RemoveMic(const std::string& id) {
    std::erase_if(engine_.microphones, [&](const DeviceInfo& d) { return d.id == id; });
    AudioDeviceEvent event;
    event.type = AudioDeviceEvent::Type::kMicrophoneRemoved;
    event.device.id = id;
    engine_.EmitAudioDeviceEvent(event);
    env_.FastForwardBy(1);
  }
  void AddMic(DeviceInfo mic) {
    engine_.microphones.push_back(mic);
    AudioDeviceEvent event;
    event.type = AudioDeviceEvent::Type::kMicrophoneAdded;
    event.device = mic;
    engine_.EmitAudioDeviceEvent(event);
    env_.FastForwardBy(1);
  }
  void DefaultMicBecomes(const std::string& id) {
    AudioDeviceEvent event;
    event.type = AudioDeviceEvent::Type::kDefaultMicrophoneChanged;
    event.device.id = id;
    engine_.EmitAudioDeviceEvent(event);
    env_.FastForwardBy(1);
  }
  // The host's answer to "is the microphone in use" (null when nobody answers).
  Variant AskMicInUse() {
    Variant answer;
    Variant payload = Variant::MakeMap();
    payload.Set("result", Variant::FromPointer(&answer));
    application_->Fire(ViewModel::kIsMicDeviceUsedEvent, payload);
    return answer;
  }
  // The navigations of the camera preview, in order.
  std::vector<framework::NavigatorService::Navigation> PreviewNavigations() const {
    std::vector<framework::NavigatorService::Navigation> found;
    for (const auto& n : framework::GetNavigatorService().History()) {
      if (n.route == ViewModel::kCameraPreviewRoute) found.push_back(n);
    }
    return found;
  }
  void SignIn(const std::string& uid) {
    auto auth = std::dynamic_pointer_cast<host::app::AuthModel>(framework::module::GetAppModuleModel(host::app::kAuthModelId));
    ASSERT_TRUE(auth);
    auth->SetSignedInUser(uid, "test");
    env_.FastForwardBy(1);
  }
  bool StartRecording() {
    const bool started = testing::StartRecordingThrough(*ModuleModelOf(model_id::kQuickRecordRecorderModel));
    env_.FastForwardBy(1);
    return started;
  }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  host::app::HostApplication app_;
  util::file::ScopedTempDir dir_;
  std::shared_ptr<QuickRecorderImpl> recorder_;
  framework::RecordingView view_;
  std::shared_ptr<TestingEventSource> application_ = std::make_shared<TestingEventSource>();
  std::shared_ptr<ViewModel> view_model_ = std::make_shared<ViewModel>(WithApplication());
  std::vector<Variant> mode_events_;
};

TEST_F(QuickRecordRecordSettingViewModelTest, AttachShowsThePanelWithTheFirstCameraAsDefault) {
  Attach();
  const Variant panel = view_.Last(kProps.panel);
  EXPECT_EQ(panel.GetString("main_title"), "Recording settings");
  EXPECT_EQ(panel.GetInt32("select_mode"), ViewModel::kModeScreen);
  EXPECT_TRUE(panel.GetBool("camera_exists"));
  EXPECT_TRUE(panel.GetBool("setting_widget_enable"));
  const Variant cameras = view_.Last(kProps.camera_list);
  ASSERT_EQ(cameras["devices"].Size(), 3u) << "two cameras and the item that turns the camera off";
  EXPECT_EQ(cameras["devices"][2].GetString("device_id"), ViewModel::kDisabledDeviceId);
  EXPECT_EQ(cameras.GetString("user_select"), "cam-a");
  EXPECT_EQ(SessionConfig().GetString("camera_device"), "cam-a");
  EXPECT_EQ(view_.Last(kProps.camera_switch).GetString("device_name"), "Camera A");
  EXPECT_TRUE(view_.Last(kProps.capability).Has("support_full_hd"));
}

TEST_F(QuickRecordRecordSettingViewModelTest, SelectingTheModeAlreadySetSendsNothing) {
  Attach();
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 2})"));
  EXPECT_TRUE(mode_events_.empty());
  EXPECT_TRUE(view_.ValuesOf(kProps.mode).empty());
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 3})"));
  ASSERT_EQ(mode_events_.size(), 1u);
  EXPECT_EQ(mode_events_[0].GetInt32("select_mode"), ViewModel::kModeHead);
  EXPECT_EQ(SessionConfig().GetInt32("record_mode"), ViewModel::kModeHead);
  EXPECT_EQ(view_.Last(kProps.mode).GetInt32("select_mode"), ViewModel::kModeHead);
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheCameraModesNeedACamera) {
  engine_.cameras.clear();
  Attach();
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 1})"));
  EXPECT_TRUE(log.Contains("Camera check: access fail"));
  EXPECT_TRUE(mode_events_.empty());
  EXPECT_EQ(view_model_->selected_mode(), ViewModel::kModeScreen);
}

TEST_F(QuickRecordRecordSettingViewModelTest, RemovingTheCameraInUseMakesTheFirstRemainingOneTheDefault) {
  Attach();
  ASSERT_EQ(view_model_->camera_device_id(), "cam-a");
  RemoveCamera("cam-a");
  EXPECT_EQ(view_model_->camera_device_id(), "cam-b");
  EXPECT_EQ(SessionConfig().GetString("camera_device"), "cam-b");
  EXPECT_TRUE(view_.Last(kProps.camera_list).GetBool("enable"));

  base::logging::ScopedLogCapture log;
  RemoveCamera("cam-b");
  EXPECT_TRUE(log.Contains("Camera device has been removed."));
  EXPECT_FALSE(view_.Last(kProps.camera_list).GetBool("enable", true)) << "the list is disabled";
  EXPECT_TRUE(view_.Last(kProps.camera_switch).GetBool("device_enable")) << "the switch stays usable";
  Act(ViewModel::kActionEnableCameraDevice, Variant::FromJson(R"({"enable": false})"));
  EXPECT_FALSE(view_.Last(kProps.camera_switch).GetBool("device_enable", true));
}

TEST_F(QuickRecordRecordSettingViewModelTest, AMicrophoneThatComesBackGetsTheSwitchItHad) {
  Attach();
  Act(ViewModel::kActionEnableMicDevice, Variant::FromJson(R"({"enable": false})"));
  RemoveMic("mic-a");
  RemoveMic("mic-b");
  EXPECT_FALSE(view_.Last(kProps.mic_list).GetBool("enable", true));
  Act(ViewModel::kActionEnableMicDevice, Variant::FromJson(R"({"enable": true})"));  // usable without a microphone
  EXPECT_TRUE(view_model_->mic_enabled());
  AddMic({"mic-c", "Mic C", true, false});
  EXPECT_EQ(view_model_->mic_device_id(), "mic-c");
  EXPECT_FALSE(view_model_->mic_enabled()) << "off, as it was when the microphones went away";
  EXPECT_TRUE(view_.Last(kProps.mic_list).GetBool("enable"));
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheSystemDefaultMicrophoneDoesNotOverrideTheUsersChoice) {
  Attach();
  DefaultMicBecomes("mic-b");
  EXPECT_EQ(view_model_->mic_device_id(), "mic-b") << "no choice yet: the panel follows the system";
  Act(ViewModel::kActionSelectMicDevice, Variant::FromJson(R"({"device_id": "mic-a", "device_name": "Mic A"})"));
  EXPECT_EQ(SessionConfig().GetString("mic_device"), "mic-a");
  base::logging::ScopedLogCapture log;
  DefaultMicBecomes("mic-b");
  EXPECT_EQ(view_model_->mic_device_id(), "mic-a");
  EXPECT_EQ(SessionConfig().GetString("mic_device"), "mic-a");
  EXPECT_TRUE(log.Contains("current_select_mic:mic-a, default changing mic: mic-b"));
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheOffItemIsNotADevice) {
  Attach();
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionSelectCameraDevice, Variant::FromJson(R"({"device_id": "disabled"})"));
  EXPECT_TRUE(log.Contains("select disable camera device"));
  EXPECT_EQ(SessionConfig().GetString("camera_device"), "cam-a");
  Act(ViewModel::kActionSelectMicDevice, Variant::FromJson(R"({"device_id": "disabled"})"));
  EXPECT_TRUE(log.Contains("user select disable device item"));
  EXPECT_EQ(view_model_->mic_device_id(), "mic-a");
}

TEST_F(QuickRecordRecordSettingViewModelTest, ChoicesAreRefusedWhileRecording) {
  Attach();
  ASSERT_TRUE(StartRecording());
  EXPECT_FALSE(view_.Last(kProps.camera_list).GetBool("enable", true));
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 1})"));
  Act(ViewModel::kActionSelectCameraDevice, Variant::FromJson(R"({"device_id": "cam-b"})"));
  Act(ViewModel::kActionSelectMicDevice, Variant::FromJson(R"({"device_id": "mic-b"})"));
  Act(ViewModel::kActionEnableMicDevice, Variant::FromJson(R"({"enable": false})"));
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionSetDefaultScreen, Variant::FromJson(R"({"view_params": {"default_monitor_uuid": "test-screen"}})"));
  EXPECT_TRUE(log.Contains("is recording, do not select default screen"));
  const Variant config = SessionConfig();
  EXPECT_TRUE(mode_events_.empty());
  EXPECT_EQ(config.GetString("camera_device"), "cam-a");
  EXPECT_EQ(config.GetString("mic_device"), "mic-a");
  EXPECT_TRUE(config.GetBool("mic_enabled", true));
  RemoveCamera("cam-a");
  EXPECT_EQ(view_model_->camera_device_id(), "cam-a") << "the camera is not switched during a recording";
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheScreenChoiceReachesTheSession) {
  Attach();
  Act(ViewModel::kActionSetDefaultScreen, Variant::FromJson(R"({"view_params": {"default_monitor_uuid": "test-screen"}})"));
  Variant selection;
  Session()->Call(QuickRecordModel::kInvokeGetSelectScreenInfo, Variant(), &selection);
  EXPECT_EQ(selection.GetString("monitor_id"), "test-screen");
  EXPECT_EQ(view_.Last(kProps.selection).GetString("monitor_id"), "test-screen");
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheMicrophoneLevelFollowsTheEngineWhileTheMicIsOn) {
  Attach();
  engine_.microphone_volume = 42;
  env_.FastForwardBy(ViewModel::kVolumeIntervalMs);
  EXPECT_EQ(view_.Last(kProps.volume).GetInt32("volume"), 42);
  engine_.microphone_volume = 7;
  env_.FastForwardBy(ViewModel::kVolumeIntervalMs);
  EXPECT_EQ(view_.Last(kProps.volume).GetInt32("volume"), 7);
  const size_t published = view_.ValuesOf(kProps.volume).size();
  env_.FastForwardBy(ViewModel::kVolumeIntervalMs * 5);
  EXPECT_EQ(view_.ValuesOf(kProps.volume).size(), published) << "an unchanged level is not published again";

  Act(ViewModel::kActionEnableMicDevice, Variant::FromJson(R"({"enable": false})"));
  EXPECT_EQ(view_.Last(kProps.volume).GetInt32("volume", -1), 0);
  engine_.microphone_volume = 80;
  env_.FastForwardBy(ViewModel::kVolumeIntervalMs * 3);
  EXPECT_EQ(view_.Last(kProps.volume).GetInt32("volume", -1), 0) << "no level from a microphone that is off";
  view_model_->DetachView();
  Act(ViewModel::kActionEnableMicDevice, Variant::FromJson(R"({"enable": true})"));
  const size_t after_detach = view_.ValuesOf(kProps.volume).size();
  env_.FastForwardBy(ViewModel::kVolumeIntervalMs * 3);
  EXPECT_EQ(view_.ValuesOf(kProps.volume).size(), after_detach) << "no view, no sampling";
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheOlderPanelPublishesUnderItsOwnIdsAndRemembersThePickedCamera) {
  auto old_panel = std::make_shared<QuickRecordOldRecordSettingViewModel>();
  framework::RecordingView old_view;
  old_panel->AttachView(&old_view);
  constexpr auto kOld = QuickRecordOldRecordSettingViewModel::kOldProperties;
  EXPECT_EQ(old_view.Last(kOld.camera_list).GetString("user_select"), "cam-a");
  EXPECT_TRUE(old_view.ValuesOf(kProps.camera_list).empty());
  EXPECT_EQ(kovanisdk::utils::user_config::GetString(QuickRecordOldRecordSettingViewModel::kCameraUserSelectKey), "cam-a");
  old_panel->DetachView();
  Attach();
  EXPECT_EQ(old_panel->view_model_id(), view_model_id::kQuickRecordOldRecordSettingViewModel);
}

TEST_F(QuickRecordRecordSettingViewModelTest, OnlyTheNewerPanelAnswersForTheMicrophoneAndPopsThePreviewOut) {
  auto old_panel = std::make_shared<QuickRecordOldRecordSettingViewModel>(WithApplication());
  framework::RecordingView old_view;
  old_panel->AttachView(&old_view);
  EXPECT_TRUE(AskMicInUse().IsNull()) << "the older panel does not hold the microphone for the host";

  ActOn(*old_panel, ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 3})"));
  auto previews = PreviewNavigations();
  ASSERT_FALSE(previews.empty());
  EXPECT_EQ(previews.back().action, "open");
  EXPECT_EQ(previews.back().params.GetInt32("mode"), ViewModel::kModeHead);
  EXPECT_FALSE(previews.back().params.Has("need_pop_independent_preview"));
  EXPECT_FALSE(previews.back().params.Has("from_start_record"));
  ActOn(*old_panel, ViewModel::kActionSelectCameraDevice, Variant::FromJson(R"({"device_id": "cam-b", "device_name": "Camera B"})"));
  EXPECT_EQ(SessionConfig().GetString("camera_device"), "cam-b");
  EXPECT_EQ(PreviewNavigations().size(), previews.size()) << "the open preview is not moved to the new camera";
  old_panel->DetachView();
  framework::GetNavigatorService().Close(ViewModel::kCameraPreviewRoute);

  Attach();
  const Variant answer = AskMicInUse();
  EXPECT_TRUE(answer.GetBool("in_use"));
  EXPECT_EQ(answer.GetString("info"), "quick record setting view is attach");
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 2})"));
  Act(ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 3})"));
  previews = PreviewNavigations();
  ASSERT_EQ(previews.back().action, "open");
  EXPECT_TRUE(previews.back().params.GetBool("need_pop_independent_preview"));
  Act(ViewModel::kActionSelectCameraDevice, Variant::FromJson(R"({"device_id": "cam-a", "device_name": "Camera A"})"));
  EXPECT_EQ(PreviewNavigations().back().action, "update");
  EXPECT_EQ(PreviewNavigations().back().params.GetString("device_id"), "cam-a");
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheOlderPanelIsLockedWhileSignedOutAndHasNoScreenChoiceForTheCameraOnly) {
  SignIn("user-1");
  auto old_panel = std::make_shared<QuickRecordOldRecordSettingViewModel>();
  framework::RecordingView old_view;
  old_panel->AttachView(&old_view);
  constexpr auto kOld = QuickRecordOldRecordSettingViewModel::kOldProperties;
  EXPECT_TRUE(old_view.Last(kOld.panel).GetBool("setting_widget_enable"));
  EXPECT_TRUE(old_view.Last(kOld.selection_enable).GetBool("enable"));

  SignIn("");
  EXPECT_FALSE(old_panel->authorized());
  EXPECT_FALSE(old_view.Last(kOld.panel).GetBool("setting_widget_enable", true));
  SignIn("user-2");
  EXPECT_TRUE(old_view.Last(kOld.panel).GetBool("setting_widget_enable"));

  ActOn(*old_panel, ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 3})"));
  EXPECT_FALSE(old_view.Last(kOld.selection_enable).GetBool("enable", true));
  ActOn(*old_panel, ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 1})"));
  EXPECT_TRUE(old_view.Last(kOld.selection_enable).GetBool("enable"));
  old_panel->DetachView();
}

TEST_F(QuickRecordRecordSettingViewModelTest, TheOlderPanelNamesTheWindowAndUndoesACancelledChoice) {
  auto old_panel = std::make_shared<QuickRecordOldRecordSettingViewModel>();
  framework::RecordingView old_view;
  old_panel->AttachView(&old_view);
  constexpr auto kOld = QuickRecordOldRecordSettingViewModel::kOldProperties;
  Variant window = Variant::FromJson(R"({"type": 1, "window_id": 77, "window_name": "Editor"})");
  Session()->Call(QuickRecordModel::kInvokeGoToScreenOrWindowView, window, nullptr);
  EXPECT_EQ(old_view.Last(kOld.selection).GetString("window_name"), "Editor");
  EXPECT_EQ(QuickRecordOldRecordSettingViewModel::GetWindowName(Variant::FromJson(R"({
                "select_screen_info": {"type": 1, "window_id": "w2", "window_name": "app"},
                "window_list": [{"window_id": "w1", "window_name": "Mail"}, {"window_id": "w2", "window_name": "Editor"}]})")),
            "Editor");
  EXPECT_EQ(QuickRecordOldRecordSettingViewModel::GetWindowName(Variant::FromJson(
                R"({"select_screen_info": {"type": 1, "window_id": "gone", "name": "app"}, "window_list": []})")),
            "app")
      << "a window missing from the list keeps the name it came with";
  EXPECT_EQ(QuickRecordOldRecordSettingViewModel::GetWindowName(Variant::FromJson(
                R"({"select_screen_info": {"type": 2, "window_id": "w1", "name": "Screen 1"},
                    "window_list": [{"window_id": "w1", "window_name": "Mail"}]})")),
            "Screen 1");

  ActOn(*old_panel, ViewModel::kActionSetDefaultScreen,
                      Variant::FromJson(R"({"view_params": {"default_monitor_uuid": "test-screen"}})"));
  ActOn(*old_panel, ViewModel::kActionSelectMode, Variant::FromJson(R"({"select_mode": 3})"));
  ASSERT_TRUE(framework::GetNavigatorService().IsOpen(ViewModel::kCameraPreviewRoute));
  ModuleModelOf(model_id::kQuickRecordHomeModel)->Call(QuickRecordHomeModel::kInvokeCloseNewRecordPage, Variant::MakeMap(), nullptr);
  EXPECT_FALSE(framework::GetNavigatorService().IsOpen(ViewModel::kCameraPreviewRoute));
  EXPECT_EQ(old_view.Last(kOld.selection).GetString("monitor_id"), "test-screen");
  old_panel->DetachView();
}

}  // namespace
}  // namespace quick_record
