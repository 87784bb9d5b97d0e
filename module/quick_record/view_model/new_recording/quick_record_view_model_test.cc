#include "module/quick_record/view_model/new_recording/quick_record_view_model.h"

#include <gtest/gtest.h>

#include "host/app/host_app_model.h"
#include "host/app/host_application.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/framework/view_model/recording_view.h"
#include "host/media/testing/fake_media_engine.h"
#include "host/sdk/cgi/fake_request_transport.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/entry/view_model_registry.h"
#include "module/quick_record/model/quick_record_home_model.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/model_call.h"
#include "module/quick_record/view_model/new_recording/quick_record_space_notice.h"
#include "module/quick_record/view_model/recording_stages/quick_record_count_down_view_model.h"
#include "module/quick_record/view_model/settings/quick_record_old_record_setting_view_model.h"
#include "module/quick_record/view_model/settings/quick_record_record_setting_view_model.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordViewModel;
using Notice = QuickRecordSpaceNotice;

std::string Route(const char* page) { return std::string(kRoutePrefix) + page; }

// The cloud space as the test sets it, and the upload model's item reports.
class SpaceStandIn : public framework::ModelImpl {
 public:
  SpaceStandIn() {
    BindMethod(QuickRecordSpaceModel::kInvokeGetQuickRecordSpace, [this](const Variant&, Variant* result) {
      if (result) *result = space_;
      return true;
    });
  }
  void Left(int64_t bytes) {
    space_ = Variant::MakeMap();
    space_.Set("space_got", true);
    space_.Set("left_space", bytes);
  }
  void Set(Variant space) { space_ = std::move(space); }
  void Announce() { FireEvent(QuickRecordSpaceModel::kEventCloudSpaceUpdated, space_); }

 private:
  Variant space_ = Variant::MakeMap();
};

// The camera window's model: accepts to prepare its window when the test says so, and reports the
// end of the window's opening animation when the test says so.
class CameraStandIn : public framework::ModelImpl {
 public:
  CameraStandIn() {
    BindMethod(QuickRecordCountDownFlow::kCameraInvokePrepareWindow, [this](const Variant& args, Variant*) {
      prepared.push_back(args);
      return accepts;
    });
  }
  void AnimationOver() { FireEvent(QuickRecordCountDownFlow::kCameraEventPortraitAnimationOver, Variant::MakeMap()); }

  bool accepts = false;
  std::vector<Variant> prepared;
};

class UploadStandIn : public framework::ModelImpl {
 public:
  void Report(const Variant& item) { FireEvent(QuickRecordUploadModel::kFireTaskUploadStatus, item); }
};

// The module active over a fake media engine and a fake back end, as the page meets it in the
// host; only the space and upload reports are the test's.
class QuickRecordViewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path());
    Activate();
    // The module's upload model would put each recording into the local database, whose
    // process-wide service keeps the loopers of the first test; the page's upload reports come
    // from the stand-in instead.
    ModuleModelOf(model_id::kQuickRecordUploadModel)->UnInit();
    for (const auto& [route, id] : AvailablePageRoutes()) navigator_.RegisterRoute(route, kModuleName, id);
    // Any page stands in for the control bar: the test reads what it was opened with.
    navigator_.RegisterRoute(Route("bottom_bar"), kModuleName, view_model_id::kQuickRecordResidentViewModel);
    kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder_);
    ASSERT_TRUE(recorder_);
    recorder_->SetDiskSpaceProbeForTesting([](const std::string&) { return int64_t{10} << 30; });
    space_->Left(int64_t{1} << 30);
    ViewModel::Models models;
    models.space = space_;
    models.upload = upload_;
    models.camera = camera_;
    view_model_ = std::make_shared<ViewModel>(models);
    view_model_->AttachView(&view_);
  }
  void TearDown() override {
    if (settings_shown_) settings_->DetachView();
    view_model_->DetachView();
    navigator_.Reset();
    if (recorder_ && recorder_->GetState() != kovanisdk::plugin::kRecordStateStopped) recorder_->Stop();
    recorder_.reset();
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }

  void Act(int action, Variant payload = Variant::MakeMap()) { view_model_->Dispatch(action, &payload); }
  void SelectMode(int32_t mode) {
    Variant args = Variant::MakeMap();
    args.Set("select_mode", mode);
    ASSERT_TRUE(Session()->Call(QuickRecordModel::kInvokeChangeModeType, args, nullptr));
  }
  std::shared_ptr<framework::ModelImpl> Session() const { return ModuleModelOf(model_id::kQuickRecordModel); }
  bool Recording() const { return recorder_->GetState() == kovanisdk::plugin::kRecordStateRecording; }
  Variant StartResult() const { return view_.Last(ViewModel::kPropertyStartResult); }
  // The settings panel beside the page, as the new-recording page shows it.
  void ShowSettingsPanel() {
    settings_->AttachView(&settings_view_);
    settings_shown_ = true;
  }
  bool PanelShown(int32_t property_id) const { return view_.Last(property_id).GetBool("show", false); }
  // Starts in the session's mode and lets the count-down run to its end.
  void StartThroughCountDown(Variant payload = Variant::MakeMap()) {
    Act(ViewModel::kActionStartRecord, std::move(payload));
    env_.FastForwardBy(2900);
  }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  host::app::HostApplication app_;
  util::file::ScopedTempDir dir_;
  std::shared_ptr<KOVANI_CGI::FakeRequestTransport> fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport scoped_{fake_};
  framework::NavigatorService& navigator_ = framework::GetNavigatorService();
  std::shared_ptr<QuickRecorderImpl> recorder_;
  std::shared_ptr<SpaceStandIn> space_ = std::make_shared<SpaceStandIn>();
  std::shared_ptr<UploadStandIn> upload_ = std::make_shared<UploadStandIn>();
  std::shared_ptr<CameraStandIn> camera_ = std::make_shared<CameraStandIn>();
  framework::RecordingView view_;
  std::shared_ptr<ViewModel> view_model_;
  std::shared_ptr<QuickRecordRecordSettingViewModel> settings_ = std::make_shared<QuickRecordRecordSettingViewModel>();
  framework::RecordingView settings_view_;
  bool settings_shown_ = false;
};

// ---- space ----

TEST_F(QuickRecordViewModelTest, OneByteShortOfHundredMebibytesIsAFewAndExactlyHundredIsEnough) {
  base::analytics::ScopedEventCapture events;
  space_->Left(104857599);
  EXPECT_EQ(view_model_->HandleCheckSpaceInfo(Notice::kScenePage), Notice::kSpaceFew);
  const Variant notice = view_.Last(ViewModel::kPropertySpaceNotice);
  EXPECT_TRUE(notice.GetBool(Notice::kShouldShow));
  EXPECT_EQ(notice.GetString(Notice::kSpaceLeftMegaByte), "99.99");
  const auto exposures = events.sink().EventsNamed("e#meetlog_mainboard#all#exposure");
  ASSERT_EQ(exposures.size(), 1u);
  EXPECT_EQ(exposures[0].properties.at("remaining_space_type"), "a_few");

  view_.Clear();
  space_->Left(104857600);
  EXPECT_EQ(view_model_->HandleCheckSpaceInfo(Notice::kScenePage), Notice::kSpaceEnough);
  EXPECT_TRUE(view_.ValuesOf(ViewModel::kPropertySpaceNotice).empty());
}

TEST_F(QuickRecordViewModelTest, NothingLeftIsStateTwoAndTheStartIsRefused) {
  base::analytics::ScopedEventCapture events;
  space_->Left(0);
  SelectMode(ViewModel::kModeScreen);
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(view_model_->space_state(), Notice::kSpaceNone);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertySpaceNotice).GetBool(Notice::kStartRecordEnable, true));
  EXPECT_EQ(view_.Last(ViewModel::kPropertySpaceNotice).GetInt32(Notice::kShowType), Notice::kShowDialog);
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_space_remind_popup#all#exposure").at(0).properties.at("remaining_space_type"),
            "none");
  EXPECT_EQ(StartResult().GetString("message"), "no_space");
  Act(ViewModel::kActionStartRecord, Variant::FromJson(R"({"from_space_dialog": true})"));
  EXPECT_FALSE(Recording()) << "no space: not even a start the user confirmed";
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
}

TEST_F(QuickRecordViewModelTest, AFewMegabytesAskFirstAndStartWhenTheUserConfirmsInTheNotice) {
  space_->Left(50 << 20);
  SelectMode(ViewModel::kModeScreen);
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "few_space");
  EXPECT_FALSE(Recording());
  Act(ViewModel::kActionStartRecord, Variant::FromJson(R"({"from_space_dialog": true})"));
  EXPECT_TRUE(StartResult().GetBool("success"));
  EXPECT_TRUE(Recording());
}

TEST_F(QuickRecordViewModelTest, UnknownOrInfiniteSpaceShowsNoNotice) {
  space_->Set(Variant::FromJson(R"({"space_got": false, "left_space": 0})"));
  EXPECT_EQ(view_model_->HandleCheckSpaceInfo(Notice::kScenePage), Notice::kSpaceEnough);
  space_->Set(Variant::FromJson(R"({"space_got": true, "is_infinite_space": true, "left_space": 0})"));
  EXPECT_EQ(view_model_->HandleCheckSpaceInfo(Notice::kScenePage), Notice::kSpaceEnough);
  EXPECT_TRUE(view_.ValuesOf(ViewModel::kPropertySpaceNotice).empty());
  space_->Left(10);
  space_->Announce();
  EXPECT_EQ(view_model_->space_state(), Notice::kSpaceFew) << "a space update is checked at once";
}

// ---- start in each mode ----

struct ModeCase {
  int32_t mode;
  uint32_t flags;
};

class QuickRecordViewModelModeTest : public QuickRecordViewModelTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(QuickRecordViewModelModeTest, EachModeReachesTheRecorderWithItsFlagsAndOpensTheBarAfterTheCountDown) {
  SelectMode(GetParam().mode);
  Act(ViewModel::kActionStartRecord, Variant::FromJson(R"({"subject": "Weekly demo"})"));
  ASSERT_TRUE(StartResult().GetBool("success")) << StartResult().GetString("message");
  EXPECT_TRUE(Recording());
  EXPECT_EQ(recorder_->GetRecordFlags(), GetParam().flags);
  EXPECT_TRUE(view_model_->count_down_running());
  ASSERT_TRUE(navigator_.IsOpen(Route("count_down")));
  EXPECT_EQ(navigator_.PageViewModel(Route("count_down"))->view_params()["router_params"].GetInt32("mode"),
            GetParam().mode);
  EXPECT_FALSE(navigator_.IsOpen(Route("bottom_bar")));

  env_.FastForwardBy(2899);
  EXPECT_FALSE(navigator_.IsOpen(Route("bottom_bar"))) << "the bar waits for the end animation";
  env_.FastForwardBy(1);
  ASSERT_TRUE(navigator_.IsOpen(Route("bottom_bar")));
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  const Variant bar = navigator_.PageViewModel(Route("bottom_bar"))->view_params()["router_params"];
  EXPECT_TRUE(bar.GetBool("show"));
  EXPECT_EQ(bar.GetInt32("mode"), GetParam().mode);
  EXPECT_TRUE(bar.GetBool("enable_mic"));
  EXPECT_FALSE(view_model_->count_down_running());
  EXPECT_TRUE(Recording());
  EXPECT_EQ(app_.user_config()->Get(QuickRecordModel::kTranscodeInfoKey).AsString().find("Weekly demo") != std::string::npos,
            true)
      << "the session holds the subject for the upload";
}

INSTANTIATE_TEST_SUITE_P(Modes, QuickRecordViewModelModeTest,
                         ::testing::Values(ModeCase{ViewModel::kModeScreenAndHead, kRecordFlagScreen | kRecordFlagCamera},
                                           ModeCase{ViewModel::kModeScreen, kRecordFlagScreen},
                                           ModeCase{ViewModel::kModeHead, kRecordFlagCamera}));

TEST_F(QuickRecordViewModelTest, AWindowIsRecordedByItsIdAndAWindowWithoutOneIsRefused) {
  SelectMode(ViewModel::kModeScreen);
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionSelectWindow, Variant::FromJson(R"({"window_id": 0})"));
  EXPECT_TRUE(log.Contains("Invalid input param."));

  Variant window = Variant::MakeMap();
  window.Set("window_id", uint64_t{0x3a00007});
  window.Set("window_name", "Editor");
  Act(ViewModel::kActionSelectWindow, window);
  auto recorder_model = std::dynamic_pointer_cast<QuickRecordRecorderModel>(ModuleModelOf(model_id::kQuickRecordRecorderModel));
  ASSERT_TRUE(recorder_model);
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(recorder_model->config().window_id, uint64_t{0x3a00007});
  EXPECT_TRUE(recorder_model->config().monitor_id.empty());
}

TEST_F(QuickRecordViewModelTest, WithoutAChoiceThePrimaryScreenIsRecorded) {
  SelectMode(ViewModel::kModeScreen);
  Act(ViewModel::kActionStartRecord);
  auto recorder_model = std::dynamic_pointer_cast<QuickRecordRecorderModel>(ModuleModelOf(model_id::kQuickRecordRecorderModel));
  EXPECT_EQ(recorder_model->config().monitor_id, std::string(kvp::av::kTestScreenId));
}

TEST_F(QuickRecordViewModelTest, AStartWithoutAnyScreenFailsWithoutTouchingTheRecorder) {
  engine_.screens.clear();
  SelectMode(ViewModel::kModeScreen);
  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "no_screen");
  EXPECT_TRUE(log.Contains("[QUICK RECORD] invalid window for quick recording"));
  EXPECT_FALSE(Recording());
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
}

// ---- count-down cancel ----

TEST_F(QuickRecordViewModelTest, ACountDownCancelReturnsToTheScreenChoiceWithoutTheBar) {
  ShowSettingsPanel();
  SelectMode(ViewModel::kModeScreen);
  std::vector<Variant> cancelled;
  Session()->Subscribe(QuickRecordModel::kEventRecordCancelled, 77,
                       [&](int32_t, const Variant& payload) { cancelled.push_back(payload); });
  Act(ViewModel::kActionStartRecord);
  ASSERT_TRUE(Recording());
  env_.FastForwardBy(1000);
  auto count_down = navigator_.PageViewModel(Route("count_down"));
  ASSERT_TRUE(count_down);
  view_.Clear();
  Variant none = Variant::MakeMap();
  count_down->Dispatch(QuickRecordCountDownViewModel::kActionCancel, &none);

  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  EXPECT_FALSE(view_model_->count_down_running());
  EXPECT_TRUE(view_.Last(ViewModel::kPropertySelectScreenPanel).GetBool("show"));
  EXPECT_EQ(cancelled.size(), 1u);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
  env_.FastForwardBy(10'000);
  EXPECT_FALSE(navigator_.IsOpen(Route("bottom_bar")));
  Session()->Unsubscribe(77);

  // The page is usable again.
  Act(ViewModel::kActionStartRecord);
  EXPECT_TRUE(StartResult().GetBool("success"));
}

// ---- a start the recorder refuses ----

// The back end makes a record as soon as a start is announced; a start the recorder then refuses
// must not leave that record open there, whether its id arrives after the refusal or is known.
TEST_F(QuickRecordViewModelTest, ARefusedStartCancelsItsBackEndRecordAndLeavesThePageIdle) {
  // The upload model's server cancel, as the session asks it (the test host has no back-end address,
  // so the request itself goes no further).
  base::logging::ScopedLogCapture log;
  auto cancels = [&log](const std::string& record_id) {
    return log.Count("request server cancel record, record_id:" + record_id);
  };
  auto authorise = [this](const std::string& record_id) {
    auto result = std::make_shared<QuickRecordStartRecordResult>();
    result->record_id = record_id;
    std::dynamic_pointer_cast<IQuickRecordDelegate>(Session())->OnStartQuickRecordAuthResponse(result);
  };
  SelectMode(ViewModel::kModeScreen);
  std::vector<Variant> started;
  Session()->Subscribe(QuickRecordModel::kEventStartRequested, 78,
                       [&](int32_t, const Variant& payload) { started.push_back(payload); });
  engine_.enable_on_result = kvp::av::kErrNoSource;
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "recorder_refused");
  EXPECT_TRUE(log.Contains("[QUICK RECORD] recorder refused the start: recorder_refused"));
  ASSERT_EQ(started.size(), 1u);

  // The back end's answer comes after the refusal: its record is deleted, not started.
  authorise("rec-refused");
  EXPECT_EQ(cancels("rec-refused"), 1);
  EXPECT_EQ(started.size(), 1u);
  EXPECT_EQ(CallModel(Session(), QuickRecordModel::kReadRecordId).AsString(), "");
  EXPECT_FALSE(Recording());
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  EXPECT_FALSE(view_model_->count_down_running());

  // The page can start again, and that record is kept.
  engine_.enable_on_result = kvp::av::kOk;
  Act(ViewModel::kActionStartRecord);
  EXPECT_TRUE(StartResult().GetBool("success"));
  ASSERT_TRUE(Recording());
  authorise("rec-kept");
  EXPECT_EQ(CallModel(Session(), QuickRecordModel::kReadRecordId).AsString(), "rec-kept");
  EXPECT_EQ(cancels("rec-kept"), 0);
  recorder_->Stop();

  // A refusal after the id is known cancels it at once.
  Variant refused = Variant::MakeMap();
  refused.Set("reason", "recorder_refused");
  ASSERT_TRUE(Session()->Call(QuickRecordModel::kInvokeStartRefused, refused, nullptr));
  EXPECT_EQ(cancels("rec-kept"), 1);
  EXPECT_EQ(CallModel(Session(), QuickRecordModel::kReadRecordId).AsString(), "");
  Session()->Unsubscribe(78);
}

// ---- refusals ----

TEST_F(QuickRecordViewModelTest, NoSecondStartWhileRecordingOrCountingDown) {
  SelectMode(ViewModel::kModeScreen);
  Act(ViewModel::kActionStartRecord);
  ASSERT_TRUE(Recording());
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "recording");
  env_.FastForwardBy(2900);
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "recording");

  base::logging::ScopedLogCapture log;
  Act(ViewModel::kActionSetDefaultScreen, Variant::FromJson(R"({"default_monitor_uuid": "other"})"));
  EXPECT_TRUE(log.Contains("is recording, do not select default screen"));
}

TEST_F(QuickRecordViewModelTest, NoStartInAMeetingOrWhenTheCloudSwitchIsOff) {
  SelectMode(ViewModel::kModeScreen);
  kovani_common::utils::inmeeting::SetInMeeting(true);
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "in_meeting");
  kovani_common::utils::inmeeting::SetInMeeting(false);

  app_.config()->SetValue(ViewModel::kAbilitySection, ViewModel::kCloudRecordSwitchKey, Variant(false));
  EXPECT_FALSE(view_model_->GetRecordEnable());
  Act(ViewModel::kActionStartRecord);
  EXPECT_EQ(StartResult().GetString("message"), "disabled");
  EXPECT_FALSE(Recording());
}

// ---- shortcut ----

TEST_F(QuickRecordViewModelTest, TheStartShortcutWithThePageClosedDoesNothing) {
  SelectMode(ViewModel::kModeScreen);
  auto host_app = std::dynamic_pointer_cast<host::app::HostAppModel>(
      framework::module::GetAppModuleModel(host::app::kHostAppModelId));
  ASSERT_TRUE(host_app);
  ModuleModelOf(model_id::kQuickRecordShortcutModel);  // as at activation of the page's host
  Act(ViewModel::kActionClickCancelSelect);  // the page shown on attach is closed
  base::logging::ScopedLogCapture log;
  host_app->PressStartStopShortcut();
  env_.FastForwardBy(1);
  EXPECT_TRUE(log.Contains("not on new record page"));
  EXPECT_FALSE(Recording());
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));

  ModuleModelOf(model_id::kQuickRecordHomeModel)->Call(QuickRecordHomeModel::kInvokeOpenNewRecordPage, Variant(), nullptr);
  host_app->PressStartStopShortcut();
  env_.FastForwardBy(1);
  EXPECT_TRUE(Recording());
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyStartFromShortcut).GetBool("from_shortcut"));
  EXPECT_TRUE(navigator_.IsOpen(Route("count_down")));
}

TEST_F(QuickRecordViewModelTest, TheStartShortcutWithFewSpaceShowsTheNoticeInstead) {
  SelectMode(ViewModel::kModeScreen);
  space_->Left(1000);
  ModuleModelOf(model_id::kQuickRecordHomeModel)->Call(QuickRecordHomeModel::kInvokeOpenNewRecordPage, Variant(), nullptr);
  view_model_->OnShortcutKeyEventStartRecord(Variant());
  EXPECT_FALSE(Recording());
  EXPECT_EQ(view_.Last(ViewModel::kPropertySpaceNotice).GetInt32(Notice::kShowType), Notice::kShowDialog);
}

// ---- state on the page ----

TEST_F(QuickRecordViewModelTest, TheTimeTextGainsHoursAtOneHour) {
  view_model_->OnUpdateQuickRecordTotalTime(Variant(int64_t{3'599'999}));
  EXPECT_EQ(view_.Last(ViewModel::kPropertyRecordState).GetString(ViewModel::kRecordTimeText), "59:59");
  view_model_->OnUpdateQuickRecordTotalTime(Variant(int64_t{3'600'000}));
  EXPECT_EQ(view_.Last(ViewModel::kPropertyRecordState).GetString(ViewModel::kRecordTimeText), "1:00:00");
}

TEST_F(QuickRecordViewModelTest, TheRecordButtonFollowsTheRecorderAndBringsBackTheBar) {
  SelectMode(ViewModel::kModeScreen);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyRecordState).GetBool(ViewModel::kIsQuickRecording, true));
  EXPECT_EQ(view_.Last(ViewModel::kPropertyRecordState).GetString(ViewModel::kShortcutText), "Ctrl+Alt+R");
  StartThroughCountDown();
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyRecordState).GetBool(ViewModel::kIsQuickRecording));
  navigator_.Close(Route("bottom_bar"));
  Act(ViewModel::kActionQuickRecordButtonClick);
  EXPECT_TRUE(navigator_.IsOpen(Route("bottom_bar")));
  recorder_->Stop();
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyRecordState).GetBool(ViewModel::kIsQuickRecording, true));
  navigator_.Close(Route("bottom_bar"));
  Act(ViewModel::kActionQuickRecordButtonClick);
  EXPECT_FALSE(navigator_.IsOpen(Route("bottom_bar"))) << "nothing to bring back when not recording";
}

TEST_F(QuickRecordViewModelTest, TheUploadStateIsTheUploadedShareOfTheRecording) {
  Variant item = Variant::MakeMap();
  item.Set("k_upload_status", int64_t{1});
  item.Set("k_uploaded_size", int64_t{256});
  item.Set("k_total_size", int64_t{1024});
  item.Set("k_record_id", "rec-1");
  upload_->Report(item);
  Variant state = view_.Last(ViewModel::kPropertyUploadState);
  EXPECT_EQ(state.GetInt32(ViewModel::kUploadStatus), 1);
  EXPECT_DOUBLE_EQ(state.GetDouble(ViewModel::kUploadProgress), 0.25);
  EXPECT_EQ(state.GetInt64("uploaded_size"), 256);
  EXPECT_EQ(state.GetInt64("total_size"), 1024);
  EXPECT_EQ(state.GetString("record_id"), "rec-1");
  // The file grew by a part's worth that is not up yet: the share drops, and the sizes say why.
  item.Set("k_total_size", int64_t{2048});
  upload_->Report(item);
  state = view_.Last(ViewModel::kPropertyUploadState);
  EXPECT_DOUBLE_EQ(state.GetDouble(ViewModel::kUploadProgress), 0.125);
  EXPECT_EQ(state.GetInt64("total_size"), 2048);
  item.Set("k_total_size", int64_t{0});
  upload_->Report(item);
  EXPECT_DOUBLE_EQ(view_.Last(ViewModel::kPropertyUploadState).GetDouble(ViewModel::kUploadProgress), 0.0)
      << "an unknown total is no progress, not a division by zero";
}

TEST_F(QuickRecordViewModelTest, TheModeDecidesWhichPanelsShowBesideTheSettingsPanel) {
  ShowSettingsPanel();
  SelectMode(ViewModel::kModeHead);
  EXPECT_FALSE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  EXPECT_TRUE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
  SelectMode(ViewModel::kModeScreen);
  EXPECT_TRUE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  EXPECT_FALSE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
  SelectMode(ViewModel::kModeScreenAndHead);
  EXPECT_TRUE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  EXPECT_TRUE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
}

TEST_F(QuickRecordViewModelTest, ThePanelsOfTheModeFollowTheSettingsPanelInAndOut) {
  SelectMode(ViewModel::kModeScreenAndHead);
  EXPECT_FALSE(PanelShown(ViewModel::kPropertySelectScreenPanel)) << "no settings panel yet";
  EXPECT_FALSE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
  ShowSettingsPanel();
  EXPECT_TRUE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  EXPECT_TRUE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
  settings_->DetachView();
  settings_shown_ = false;
  EXPECT_FALSE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  EXPECT_FALSE(PanelShown(ViewModel::kPropertyCameraPreviewPanel));
  SelectMode(ViewModel::kModeScreen);
  EXPECT_FALSE(PanelShown(ViewModel::kPropertySelectScreenPanel)) << "a mode change while hidden shows nothing";

  // The older page's panel tells the same; a page attached beside a shown panel starts with it.
  auto old_panel = std::make_shared<QuickRecordOldRecordSettingViewModel>();
  framework::RecordingView old_view;
  old_panel->AttachView(&old_view);
  EXPECT_TRUE(PanelShown(ViewModel::kPropertySelectScreenPanel));
  auto second_page = std::make_shared<ViewModel>();
  framework::RecordingView second_view;
  second_page->AttachView(&second_view);
  EXPECT_TRUE(second_view.Last(ViewModel::kPropertySelectScreenPanel).GetBool("show", false));
  EXPECT_FALSE(second_view.Last(ViewModel::kPropertyCameraPreviewPanel).GetBool("show", true));
  second_page->DetachView();
  old_panel->DetachView();
  EXPECT_FALSE(PanelShown(ViewModel::kPropertySelectScreenPanel));
}

TEST_F(QuickRecordViewModelTest, TheCountDownsOwnMinimizeOfTheHomeWindowIsIgnoredOnce) {
  SelectMode(ViewModel::kModeScreen);
  Act(ViewModel::kActionStartRecord);
  view_model_->OnEventUpdateHomeWindowMinimizeState(Variant::FromJson(R"({"minimize": true})"));
  EXPECT_TRUE(view_.ValuesOf(ViewModel::kPropertyHomeWindowMinimize).empty());
  view_model_->OnEventUpdateHomeWindowMinimizeState(Variant::FromJson(R"({"minimize": true})"));
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyHomeWindowMinimize).GetBool("minimize"));
}

TEST_F(QuickRecordViewModelTest, AnAttachedPageIsMarkedShownOnce) {
  auto home = ModuleModelOf(model_id::kQuickRecordHomeModel);
  Variant state;
  home->Call(QuickRecordHomeModel::kInvokeGetNewRecordPageState, Variant(), &state);
  EXPECT_TRUE(state.GetBool("is_new_record_page"));
  int opened = 0;
  home->Subscribe(QuickRecordHomeModel::kEventNewRecordPageOpened, 78, [&](int32_t, const Variant&) { ++opened; });
  auto second = std::make_shared<ViewModel>();
  framework::RecordingView second_view;
  second->AttachView(&second_view);
  EXPECT_EQ(opened, 0) << "a page already marked shown is not announced again";
  Act(ViewModel::kActionClickCancelSelect);
  view_model_->DetachView();
  view_model_->AttachView(&view_);
  EXPECT_EQ(opened, 1);
  second->DetachView();
  home->Unsubscribe(78);
}

// ---- the camera window's opening animation ----

TEST_F(QuickRecordViewModelTest, InTheCameraModesTheCountDownWaitsForTheCameraWindowsAnimation) {
  SelectMode(ViewModel::kModeScreenAndHead);
  camera_->accepts = true;
  Act(ViewModel::kActionStartRecord);
  ASSERT_TRUE(Recording());
  ASSERT_EQ(camera_->prepared.size(), 1u);
  EXPECT_EQ(camera_->prepared[0].GetInt32("mode"), ViewModel::kModeScreenAndHead);
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  EXPECT_TRUE(view_model_->count_down_running());

  base::logging::ScopedLogCapture log;
  camera_->AnimationOver();
  EXPECT_TRUE(log.Contains("show count down view"));
  EXPECT_TRUE(navigator_.IsOpen(Route("count_down")));
  env_.FastForwardBy(2900);
  EXPECT_TRUE(navigator_.IsOpen(Route("bottom_bar")));
  EXPECT_FALSE(view_model_->count_down_running());
  camera_->AnimationOver();
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down"))) << "a late report opens nothing";
}

TEST_F(QuickRecordViewModelTest, ACameraWindowThatNeverReportsHoldsTheCountDownBackOnlyForAWhile) {
  SelectMode(ViewModel::kModeHead);
  camera_->accepts = true;
  Act(ViewModel::kActionStartRecord);
  env_.FastForwardBy(QuickRecordCountDownFlow::kPortraitAnimationTimeoutMs - 1);
  EXPECT_FALSE(navigator_.IsOpen(Route("count_down")));
  env_.FastForwardBy(1);
  EXPECT_TRUE(navigator_.IsOpen(Route("count_down")));
  camera_->AnimationOver();
  env_.FastForwardBy(2900);
  EXPECT_TRUE(navigator_.IsOpen(Route("bottom_bar")));
}

TEST_F(QuickRecordViewModelTest, TheScreenModeDoesNotWaitForTheCamera) {
  SelectMode(ViewModel::kModeScreen);
  camera_->accepts = true;
  Act(ViewModel::kActionStartRecord);
  EXPECT_TRUE(camera_->prepared.empty());
  EXPECT_TRUE(navigator_.IsOpen(Route("count_down")));
}

TEST_F(QuickRecordViewModelTest, ClosingThePageTellsTheHomeModel) {
  auto home = ModuleModelOf(model_id::kQuickRecordHomeModel);
  home->Call(QuickRecordHomeModel::kInvokeOpenNewRecordPage, Variant(), nullptr);
  base::analytics::ScopedEventCapture events;
  Act(ViewModel::kActionClickCancelSelect);
  Variant state;
  home->Call(QuickRecordHomeModel::kInvokeGetNewRecordPageState, Variant(), &state);
  EXPECT_FALSE(state.GetBool("is_new_record_page", true));
  EXPECT_EQ(events.sink().EventsNamed("e#new_recording#close#click").size(), 1u);
}

}  // namespace
}  // namespace quick_record
