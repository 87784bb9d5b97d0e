#include "module/quick_record/view_model/bottom_bar/quick_record_bottom_bar_view_model.h"

#include "host/app/recording_state_model.h"
#include "host/app/window_state_model.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/framework/view_model/recording_view.h"
#include "host/sdk/cgi/fake_request_transport.h"
#include "host/sdk/kovani/alert.h"
#include "host/sdk/kovani/open_web_page.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_result.h"
#include "module/quick_record/entry/view_model_registry.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "module/quick_record/model/recording_model_test.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/testing_event_source.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace quick_record {
namespace {

using base::variant::Variant;
using ViewModel = QuickRecordBottomBarViewModel;

using EventSource = TestingEventSource;

Variant Button(int32_t opt_type) {
  Variant payload = Variant::MakeMap();
  payload.Set("opt_type", opt_type);
  payload.Set("opt_mode", 0);
  return payload;
}

// The bar over the real recorder model (fake engine, mock time), the real session model and the
// host's device model; the time, space, shortcut, window and recording-service events are raised
// by the test.
class QuickRecordBottomBarViewModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    app_.config()->SetValue("web", "host", Variant("https://web.test"));
    session_ = std::make_shared<QuickRecordModel>(recorder_model_);
    session_->Init();
    ViewModel::Models models;
    models.session = session_;
    models.recorder = recorder_model_;
    models.time = time_;
    models.space = space_;
    models.shortcut = shortcut_;
    models.window_state = window_;
    models.recording_service = service_;
    models.application = application_;
    models.performance = performance_;
    models.upload = upload_;
    bar_ = std::make_shared<ViewModel>(models);
    Variant params = Variant::MakeMap();
    params.Set("router_params", Variant::FromJson(R"({"mode": 2, "camera_device_id": "", "enable_mic": false})"));
    bar_->SetViewParams(params);
    bar_->AttachView(&view_);
  }
  void TearDown() override {
    bar_->DetachView();
    session_->UnInit();
    RecordingModelTest::TearDown();
  }

  // Only the session and the recorder; the bar looks the others up (and finds the host's).
  ViewModel::Models SessionAndRecorder() const {
    ViewModel::Models models;
    models.session = session_;
    models.recorder = recorder_model_;
    return models;
  }
  void Press(int32_t opt_type) {
    const Variant payload = Button(opt_type);
    bar_->Dispatch(ViewModel::kActionOptBottomBarButton, &payload);
  }
  void Hover(bool inside) {
    const Variant payload(inside);
    bar_->Dispatch(ViewModel::kActionHoverBottomBar, &payload);
  }
  // A started recording with a record id, as the session announces it after the start
  // authorisation.
  void StartWithRecordId(const std::string& record_id) {
    ASSERT_TRUE(StartRecording());
    session_->Call(QuickRecordModel::kInvokeStartQuickRecord, Variant::MakeMap(), nullptr);
    auto result = std::make_shared<QuickRecordStartRecordResult>();
    result->record_id = record_id;
    session_->OnStartQuickRecordAuthResponse(result);
  }
  int32_t RecorderState() {
    Variant state;
    CallRecorderModel(QuickRecordRecorderModel::kInvokeFuncGetRecordState, Variant(), &state);
    return state.AsInt32();
  }
  void ElapsedMs(int64_t ms) { time_->Fire(QuickRecordTimeModel::kEventRecordTime, Variant(ms)); }
  bool Narrow() const { return view_.Last(ViewModel::kPropertyNarrow).AsBool(); }

  std::shared_ptr<KOVANI_CGI::FakeRequestTransport> transport_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport scoped_transport_{transport_};
  std::shared_ptr<QuickRecordModel> session_;
  std::shared_ptr<EventSource> time_ = std::make_shared<EventSource>();
  std::shared_ptr<EventSource> space_ = std::make_shared<EventSource>();
  std::shared_ptr<EventSource> shortcut_ = std::make_shared<EventSource>();
  std::shared_ptr<EventSource> window_ = std::make_shared<EventSource>();
  std::shared_ptr<host::app::RecordingStateModel> service_ =
      std::make_shared<host::app::RecordingStateModel>(host::app::kRecordingServiceModelId);
  std::shared_ptr<EventSource> application_ = std::make_shared<EventSource>();
  std::shared_ptr<EventSource> performance_ = std::make_shared<EventSource>();
  std::shared_ptr<EventSource> upload_ = std::make_shared<EventSource>();
  framework::RecordingView view_;
  std::shared_ptr<ViewModel> bar_;
};

TEST_F(QuickRecordBottomBarViewModelTest, AttachingShowsTheBarWithItsLabelsAndTheRouteChoices) {
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyShow).GetBool("show"));
  const Variant labels = view_.Last(ViewModel::kPropertyUiData);
  EXPECT_EQ(labels.Size(), 14u);
  EXPECT_FALSE(labels.GetString("BottomBarUiDataFields_kStringCompleteRecordButtonContent").empty());
  EXPECT_FALSE(labels.GetString("BottomBarUiDataFields_kStringBottomBarMicUnopenToast").empty());
  EXPECT_EQ(bar_->mode(), ViewModel::kModeOnlyScreen);
  EXPECT_FALSE(bar_->mic_open());
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyMicrophone).GetBool("open", true));
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyMicrophone).GetBool("available")) << "the engine has a microphone";
}

TEST_F(QuickRecordBottomBarViewModelTest, AnOutOfRangeModeIsLoggedAndTheMicrophoneDefaultsToOpen) {
  base::logging::ScopedLogCapture log;
  auto bar = std::make_shared<ViewModel>(SessionAndRecorder());
  Variant params = Variant::MakeMap();
  params.Set("router_params", Variant::FromJson(R"({"mode": 7})"));
  bar->SetViewParams(params);
  framework::RecordingView view;
  bar->AttachView(&view);
  EXPECT_TRUE(log.Contains("mode is error"));
  EXPECT_EQ(bar->mode(), ViewModel::kModeOnlyScreen);
  EXPECT_TRUE(bar->mic_open());
  bar->DetachView();
}

TEST_F(QuickRecordBottomBarViewModelTest, ABarOpenedAfterTheStartTakesTheRecordingAsStarted) {
  StartWithRecordId("rec-5");
  bar_->DetachView();
  auto late = std::make_shared<ViewModel>(SessionAndRecorder());
  framework::RecordingView view;
  late->AttachView(&view);
  EXPECT_TRUE(late->recording_started());
  EXPECT_TRUE(view.Last(ViewModel::kPropertyHasRecordId).AsBool());
  env_.FastForwardBy(ViewModel::kNarrowMs);
  EXPECT_TRUE(late->narrow());
  late->DetachView();
}

TEST_F(QuickRecordBottomBarViewModelTest, TheBarNarrowsThreeSecondsAfterTheStartAndWidensUnderThePointer) {
  base::logging::ScopedLogCapture log;
  StartWithRecordId("rec-1");
  EXPECT_TRUE(bar_->recording_started());
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyHasRecordId).AsBool());
  env_.FastForwardBy(ViewModel::kNarrowMs - 1);
  EXPECT_FALSE(bar_->narrow());
  env_.FastForwardBy(1);
  EXPECT_TRUE(Narrow());
  EXPECT_TRUE(log.Contains("narrow timer expire."));

  Hover(true);
  EXPECT_FALSE(Narrow());
  env_.FastForwardBy(10'000);
  EXPECT_FALSE(bar_->narrow()) << "nothing narrows the bar while the pointer is over it";
  Hover(false);
  env_.FastForwardBy(ViewModel::kLeaveMs - 1);
  EXPECT_FALSE(bar_->narrow());
  env_.FastForwardBy(1);
  EXPECT_TRUE(Narrow());
  EXPECT_TRUE(log.Contains("unhover narrow timer expire."));
}

TEST_F(QuickRecordBottomBarViewModelTest, LeavingThePausedBarDoesNotCollapseIt) {
  StartWithRecordId("rec-1");
  Press(ViewModel::kOptPause);
  env_.FastForwardBy(ViewModel::kNarrowMs);
  EXPECT_FALSE(bar_->narrow()) << "pausing stops the narrow timer";
  Hover(true);
  Hover(false);
  env_.FastForwardBy(10'000);
  EXPECT_FALSE(bar_->narrow());
}

TEST_F(QuickRecordBottomBarViewModelTest, PauseAndResumeDriveTheRecorder) {
  base::analytics::ScopedEventCapture events;
  StartWithRecordId("rec-1");
  Press(ViewModel::kOptPause);
  EXPECT_EQ(RecorderState(), 3);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyPaused).AsBool());
  Press(ViewModel::kOptResume);
  EXPECT_EQ(RecorderState(), 2);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyPaused).AsBool(true));
  const Variant duration = view_.Last(ViewModel::kPropertyDuration);
  EXPECT_EQ(duration.GetString("record_duration"), "00:00") << "a resume before any time shows zero";
  EXPECT_FALSE(duration.GetBool("over_one_hour", true));
  const auto clicks = events.sink().EventsNamed("e#meetlog_recording_toolbar#pause_recording#click");
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].properties.at("state"), "pause");
  EXPECT_EQ(clicks[1].properties.at("state"), "continue");
}

TEST_F(QuickRecordBottomBarViewModelTest, ShortcutsPauseAndResumeAndTheSpaceModelPauses) {
  StartWithRecordId("rec-1");
  shortcut_->Fire(QuickRecordShortcutModel::kEventPauseRequested);
  EXPECT_EQ(RecorderState(), 3);
  EXPECT_TRUE(bar_->paused());
  shortcut_->Fire(QuickRecordShortcutModel::kEventResumeRequested);
  EXPECT_EQ(RecorderState(), 2);
  EXPECT_FALSE(bar_->paused());
  space_->Fire(QuickRecordSpaceModel::kEventSpaceNotice);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyPaused).AsBool());
}

TEST_F(QuickRecordBottomBarViewModelTest, AButtonPressedElsewhereReachesTheBarThroughTheSession) {
  StartWithRecordId("rec-1");
  session_->Call(0x0379a95f, Button(ViewModel::kOptPause), nullptr);  // relayed as a control request
  EXPECT_EQ(RecorderState(), 3);
  EXPECT_TRUE(bar_->paused());
  base::logging::ScopedLogCapture log;
  session_->Call(0x0379a95f, Button(42), nullptr);
  EXPECT_TRUE(log.Contains("opt_type error,type:42"));
}

TEST_F(QuickRecordBottomBarViewModelTest, AMinimizedWindowHoldsTheRecordingUntilItIsRestored) {
  base::logging::ScopedLogCapture log;
  StartWithRecordId("rec-1");
  window_->Fire(host::app::kWindowStateChangedEvent, Variant::FromJson(R"({"state": 1})"));
  EXPECT_EQ(RecorderState(), 3);
  EXPECT_TRUE(bar_->window_record_paused());
  window_->Fire(host::app::kWindowStateChangedEvent, Variant::FromJson(R"({"state": 1})"));
  EXPECT_TRUE(log.Contains("record already pause."));

  Press(ViewModel::kOptResume);
  EXPECT_TRUE(log.Contains("window record is pause, shouldn't resume"));
  EXPECT_EQ(RecorderState(), 3);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyPaused).AsBool());
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyTip).AsString().empty());

  window_->Fire(host::app::kWindowStateChangedEvent, Variant::FromJson(R"({"state": 2})"));
  EXPECT_FALSE(bar_->window_record_paused());
  EXPECT_EQ(view_.Last(ViewModel::kPropertyTip).AsString(), "");
  Press(ViewModel::kOptResume);
  EXPECT_EQ(RecorderState(), 2);
  env_.FastForwardBy(ViewModel::kNarrowMs);
  EXPECT_TRUE(bar_->narrow());
}

TEST_F(QuickRecordBottomBarViewModelTest, DecliningTheCancelConfirmationKeepsRecording) {
  base::logging::ScopedLogCapture log;
  StartWithRecordId("rec-1");
  Press(ViewModel::kOptCancel);
  Press(ViewModel::kOptCancel);
  ASSERT_EQ(kovani::OpenAlerts().size(), 1u) << "a second press does not open a second confirmation";
  ASSERT_TRUE(kovani::AnswerAlert(bar_->cancel_alert_id(), ViewModel::kCancelAlertContinue));
  EXPECT_TRUE(log.Contains("click continue record"));
  EXPECT_EQ(bar_->cancel_alert_id(), 0);
  EXPECT_EQ(RecorderState(), 2);
  EXPECT_EQ(session_->record_id(), "rec-1");
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyShow).GetBool("show"));
  EXPECT_TRUE(upload_->calls().empty()) << "the back end keeps the record";
}

TEST_F(QuickRecordBottomBarViewModelTest, ConfirmingTheCancelThrowsTheRecordingAway) {
  base::logging::ScopedLogCapture log;
  base::analytics::ScopedEventCapture events;
  std::vector<std::string> cancelled;
  size_t server_cancels_before_session_cancel = 0;
  session_->Subscribe(QuickRecordModel::kEventRecordCancelled, 99, [&](int32_t, const Variant& payload) {
    cancelled.push_back(payload.GetString("record_id"));
    server_cancels_before_session_cancel = upload_->calls().size();
  });
  StartWithRecordId("rec-7");
  Press(ViewModel::kOptCancel);
  ASSERT_TRUE(kovani::AnswerAlert(bar_->cancel_alert_id(), ViewModel::kCancelAlertDiscard));
  EXPECT_TRUE(log.Contains("click cancel record"));
  EXPECT_TRUE(log.Contains("request server cancel record, record_id:rec-7"));
  ASSERT_EQ(upload_->calls().size(), 1u);
  EXPECT_EQ(upload_->calls()[0].first, QuickRecordUploadModel::kInvokeRequestServerCancelRecord);
  EXPECT_EQ(upload_->calls()[0].second.GetString("record_id"), "rec-7");
  EXPECT_EQ(server_cancels_before_session_cancel, 1u) << "the back end is asked before the session ends it";
  EXPECT_EQ(cancelled, std::vector<std::string>{"rec-7"});
  EXPECT_EQ(session_->record_id(), "");
  EXPECT_EQ(RecorderState(), 0);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyShow).GetBool("show", true));
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_cancel_confirm_popup#confirm#click").size(), 1u);
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_toolbar#cancel_recording#click").size(), 1u);
  EXPECT_TRUE(kovani::OpenAlerts().empty());
}

TEST_F(QuickRecordBottomBarViewModelTest, FinishingCompletesStopsReportsWholeMinutesAndOpensTheLink) {
  base::analytics::ScopedEventCapture events;
  std::vector<std::string> completed;
  session_->Subscribe(QuickRecordModel::kEventRecordComplete, 99,
                      [&](int32_t, const Variant& payload) { completed.push_back(payload.GetString("record_id")); });
  StartWithRecordId("rec-3");
  const size_t pages = kovani::GetOpenedWebPages().size();
  ElapsedMs(61'000);
  Press(ViewModel::kOptComplete);
  EXPECT_EQ(completed, std::vector<std::string>{"rec-3"});
  EXPECT_FALSE(bar_->recording_started());
  EXPECT_EQ(RecorderState(), 0);
  const auto ends = events.sink().EventsNamed("e#meetlog_recording_toolbar#end_recording#click");
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].properties.at("time"), "2");
  EXPECT_EQ(ends[0].properties.at("time_detail"), "61");
  ASSERT_EQ(kovani::GetOpenedWebPages().size(), pages + 1);
  EXPECT_EQ(kovani::GetOpenedWebPages().back(), "https://web.test/quick_record");
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyShow).GetBool("show", true));
}

TEST_F(QuickRecordBottomBarViewModelTest, OneMinuteIsReportedForUpToSixtySeconds) {
  base::analytics::ScopedEventCapture events;
  StartWithRecordId("rec-3");
  ElapsedMs(60'999);
  Press(ViewModel::kOptComplete);
  EXPECT_EQ(events.sink().EventsNamed("e#meetlog_recording_toolbar#end_recording#click").at(0).properties.at("time"),
            "1");
}

TEST_F(QuickRecordBottomBarViewModelTest, TheStopShortcutFinishesOnlyWhileTheBarIsShown) {
  base::logging::ScopedLogCapture log;
  StartWithRecordId("rec-1");
  session_->Call(0x37b42c7c, Variant::FromJson(R"({"show": false})"), nullptr);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyShow).GetBool("show", true));
  shortcut_->Fire(QuickRecordShortcutModel::kEventStopRequested);
  EXPECT_TRUE(log.Contains("bottom bar has not shown. ignore."));
  EXPECT_EQ(RecorderState(), 2);
  session_->Call(0x37b42c7c, Variant::FromJson(R"({"show": true})"), nullptr);
  shortcut_->Fire(QuickRecordShortcutModel::kEventStopRequested);
  EXPECT_EQ(RecorderState(), 0);
}

TEST_F(QuickRecordBottomBarViewModelTest, ForcedCancellationUploadsOrThrowsAway) {
  std::vector<int32_t> ends;
  for (int32_t event : {QuickRecordModel::kEventRecordComplete, QuickRecordModel::kEventRecordCancelled}) {
    session_->Subscribe(event, 99, [&](int32_t id, const Variant&) { ends.push_back(id); });
  }
  StartWithRecordId("rec-1");
  const size_t pages = kovani::GetOpenedWebPages().size();
  service_->Announce(host::app::kRecordingServiceForceCancellationEvent,
                     Variant::FromJson(R"({"cancel_and_upload": true})"));
  EXPECT_EQ(ends, std::vector<int32_t>{QuickRecordModel::kEventRecordComplete});
  EXPECT_EQ(kovani::GetOpenedWebPages().size(), pages) << "a forced finish opens no page";
  EXPECT_TRUE(upload_->calls().empty()) << "a forced finish keeps the record";

  ends.clear();
  StartWithRecordId("rec-2");
  service_->Announce(host::app::kRecordingServiceForceCancellationEvent,
                     Variant::FromJson(R"({"cancel_and_upload": false})"));
  EXPECT_EQ(ends, std::vector<int32_t>{QuickRecordModel::kEventRecordCancelled});
  EXPECT_EQ(RecorderState(), 0);
  ASSERT_EQ(upload_->calls().size(), 1u);
  EXPECT_EQ(upload_->calls()[0].second.GetString("record_id"), "rec-2");
}

TEST_F(QuickRecordBottomBarViewModelTest, TenLoudSamplesIntoAClosedMicrophoneToastOnce) {
  base::logging::ScopedLogCapture log;
  StartWithRecordId("rec-1");
  engine_.microphone_volume = 50;
  // Nine loud samples, one quiet one, then ten loud ones: the run was broken, no toast yet.
  env_.FastForwardBy(9 * ViewModel::kVolumeMs);
  engine_.microphone_volume = 10;
  env_.FastForwardBy(ViewModel::kVolumeMs);
  EXPECT_EQ(bar_->muted_speech().loud_samples(), 0);
  engine_.microphone_volume = 11;
  env_.FastForwardBy(10 * ViewModel::kVolumeMs);
  EXPECT_TRUE(kovani::ShownToasts().empty());
  env_.FastForwardBy(ViewModel::kVolumeMs);
  ASSERT_EQ(kovani::ShownToasts().size(), 1u) << "the eleventh loud sample in a row";
  const kovani::Toast toast = kovani::ShownToasts()[0];
  EXPECT_EQ(toast.type, 0);
  EXPECT_EQ(toast.duration_ms, 2000);
  EXPECT_EQ(toast.position, 2);
  EXPECT_TRUE(log.Contains("---dp: update_volume_times_ is 10, show toast"));
  EXPECT_EQ(view_.Last(ViewModel::kPropertyVolume).GetInt32("volume"), 11);
  env_.FastForwardBy(100 * ViewModel::kVolumeMs);
  EXPECT_EQ(kovani::ShownToasts().size(), 1u) << "never twice from the same bar";
}

TEST_F(QuickRecordBottomBarViewModelTest, LoudSamplesDoNotCountWithTheMicrophoneOpenOrBeforeTheStart) {
  engine_.microphone_volume = 80;
  env_.FastForwardBy(30 * ViewModel::kVolumeMs);
  EXPECT_EQ(bar_->muted_speech().loud_samples(), 0) << "not started";
  StartWithRecordId("rec-1");
  Press(ViewModel::kOptOpenMic);
  EXPECT_TRUE(bar_->mic_open());
  env_.FastForwardBy(30 * ViewModel::kVolumeMs);
  EXPECT_TRUE(kovani::ShownToasts().empty());
}

// The pages the bar opens are built by the module, which is not active here: the navigator's
// refusal to build them shows which route was asked for.
TEST_F(QuickRecordBottomBarViewModelTest, SpaceRunOutOpensTheWarningOnlyWhileRecording) {
  base::logging::ScopedLogCapture log;
  const std::string asked = std::string("cannot build the view model of route ") + ViewModel::kSpaceRunoutRoute;
  framework::GetNavigatorService().RegisterRoute(ViewModel::kSpaceRunoutRoute, kModuleName,
                                                 view_model_id::kQuickRecordSpaceRunoutCountingViewModel);
  space_->Fire(QuickRecordSpaceModel::kEventRunOutChanged, Variant::FromJson(R"({"run_out": true})"));
  EXPECT_FALSE(log.Contains(asked)) << "not started yet";
  StartWithRecordId("rec-1");
  space_->Fire(QuickRecordSpaceModel::kEventRunOutChanged, Variant::FromJson(R"({"run_out": false})"));
  EXPECT_FALSE(log.Contains(asked));
  space_->Fire(QuickRecordSpaceModel::kEventRunOutChanged, Variant::FromJson(R"({"run_out": true})"));
  EXPECT_TRUE(log.Contains(asked));
  EXPECT_TRUE(log.Contains("run_out: 1"));
}

TEST_F(QuickRecordBottomBarViewModelTest, ABusyMachineOpensTheNoticeForTheRecordingsMode) {
  base::logging::ScopedLogCapture log;
  framework::GetNavigatorService().RegisterRoute(ViewModel::kNoticeRoute, kModuleName,
                                                 view_model_id::kQuickRecordNoticeViewModel);
  performance_->Fire(QuickRecordPerformanceModel::kEventHdBusy, Variant::FromJson(R"({"msg": "busy"})"));
  EXPECT_TRUE(log.Contains(std::string("cannot build the view model of route ") + ViewModel::kNoticeRoute));
}

TEST_F(QuickRecordBottomBarViewModelTest, TheToolbarGuideShowsOnceForEightSeconds) {
  bar_->Dispatch(ViewModel::kActionBarShown, nullptr);
  Variant guide = view_.Last(ViewModel::kPropertyGuide);
  EXPECT_TRUE(guide.GetBool("show"));
  EXPECT_FALSE(guide.GetString("tips").empty());
  env_.FastForwardBy(ViewModel::kGuideMs - 1);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyGuide).GetBool("show"));
  env_.FastForwardBy(1);
  guide = view_.Last(ViewModel::kPropertyGuide);
  EXPECT_FALSE(guide.GetBool("show", true));
  EXPECT_EQ(guide.GetString("tips", "x"), "");

  bar_->Dispatch(ViewModel::kActionBarShown, nullptr);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyGuide).GetBool("show", true)) << "shown before";
}

TEST_F(QuickRecordBottomBarViewModelTest, TurningTheCameraOnAddsTheHeadToAScreenRecording) {
  Press(ViewModel::kOptOpenCamera);
  EXPECT_EQ(bar_->mode(), ViewModel::kModeScreenAndHead);
  Variant mode;
  session_->Call(0x01578447, Variant(), &mode);  // the session's record mode
  EXPECT_EQ(mode.AsInt32(), ViewModel::kModeScreenAndHead);
  EXPECT_TRUE(view_.Last(ViewModel::kPropertyCamera).GetBool("open"));
  Press(ViewModel::kOptCloseCamera);
  session_->Call(0x01578447, Variant(), &mode);
  EXPECT_EQ(mode.AsInt32(), ViewModel::kModeOnlyScreen);
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyCamera).GetBool("open", true));

  engine_.cameras.clear();
  base::logging::ScopedLogCapture log;
  Press(ViewModel::kOptOpenCamera);
  EXPECT_TRUE(log.Contains("camera not exists, return enable opt, disable camera select list"));
  EXPECT_FALSE(bar_->camera_open());
}

TEST_F(QuickRecordBottomBarViewModelTest, ARecorderErrorIsShownAsAnAlertWithItsOneButton) {
  base::logging::ScopedLogCapture log;
  recorder_model_->OnRecordError(1, -3, "save path not found.");
  const auto alerts = kovani::OpenAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_FALSE(alerts[0].second.title.empty());
  ASSERT_EQ(alerts[0].second.buttons.size(), 1u);
  ASSERT_TRUE(kovani::AnswerAlert(alerts[0].first, 0));
  EXPECT_TRUE(log.Contains("click got it"));
}

TEST_F(QuickRecordBottomBarViewModelTest, PauseAndResumeFromElsewhereAreFollowed) {
  StartWithRecordId("rec-1");
  session_->Call(0x0198f601, Variant(), nullptr);  // relayed as "resumed"
  EXPECT_FALSE(view_.Last(ViewModel::kPropertyPaused).AsBool(true));
  space_->Fire(QuickRecordSpaceModel::kEventSpaceNotice);
  EXPECT_TRUE(bar_->paused());
  session_->Call(0x0198f601, Variant(), nullptr);
  EXPECT_FALSE(bar_->paused());
}

TEST_F(QuickRecordBottomBarViewModelTest, ThePositionListsTheMonitors) {
  bar_->Dispatch(ViewModel::kActionUpdateViewPosition, nullptr);
  const Variant position = view_.Last(ViewModel::kPropertyPosition);
  ASSERT_EQ(position["monitor_list"].Size(), 1u);
  EXPECT_TRUE(position.Has("select_screen_info"));
  EXPECT_EQ(position["camera_preview_info"].GetInt32("type"), ViewModel::kModeOnlyScreen);
  const Variant scale = Variant::FromJson(R"({"dpi_scale": 1.5})");
  bar_->Dispatch(ViewModel::kActionDpiScale, &scale);
  EXPECT_DOUBLE_EQ(bar_->dpi_scale(), 1.5);
}

TEST_F(QuickRecordBottomBarViewModelTest, QuittingIsAnsweredInUseAndAsksOnce) {
  Variant answer;
  Variant payload = Variant::MakeMap();
  payload.Set("result", Variant::FromPointer(&answer));
  application_->Fire(ViewModel::kCheckAppCanTerminateEvent, payload);
  EXPECT_TRUE(answer.GetBool("in_use"));
  EXPECT_EQ(answer.GetString("info"), "quick record bottom bar view is attach");
  const int32_t first = bar_->exit_alert_id();
  application_->Fire(ViewModel::kCheckAppCanTerminateEvent, payload);
  EXPECT_NE(bar_->exit_alert_id(), first);
  EXPECT_EQ(kovani::OpenAlerts().size(), 1u) << "the earlier confirmation is disposed";
}

TEST_F(QuickRecordBottomBarViewModelTest, DetachingDropsSubscriptionsTimersAndAlerts) {
  StartWithRecordId("rec-1");
  Press(ViewModel::kOptCancel);
  bar_->DetachView();
  EXPECT_TRUE(kovani::OpenAlerts().empty());
  view_.Clear();
  ElapsedMs(5000);
  shortcut_->Fire(QuickRecordShortcutModel::kEventPauseRequested);
  env_.FastForwardBy(ViewModel::kNarrowMs);
  EXPECT_TRUE(view_.published().empty());
  EXPECT_EQ(RecorderState(), 2);
  EXPECT_EQ(time_->SubscriberCount(QuickRecordTimeModel::kEventRecordTime), 0u);
}

// With the module active: the navigator builds the bar for its route, and finishing moves on to
// the ending view and closes the bar.
class QuickRecordBottomBarRouteTest : public ::testing::Test {
 protected:
  // The routes as the module's page set-up registers them when the host loads its pages.
  void SetUp() override {
    Activate();
    for (const auto& [route, id] : AvailablePageRoutes()) navigator_.RegisterRoute(route, kModuleName, id);
  }
  void TearDown() override {
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  host::app::HostApplication app_;
  framework::NavigatorService& navigator_ = framework::GetNavigatorService();
};

TEST_F(QuickRecordBottomBarRouteTest, TheNavigatorOpensTheBarForItsRoute) {
  EXPECT_EQ(navigator_.RouteViewModelId(ViewModel::kBarRoute), view_model_id::kQuickRecordBottomBarViewModel);
  ASSERT_TRUE(navigator_.Open(ViewModel::kBarRoute, Variant::FromJson(R"({"mode": 1, "enable_mic": true})")));
  auto bar = std::dynamic_pointer_cast<ViewModel>(navigator_.PageViewModel(ViewModel::kBarRoute));
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->mode(), ViewModel::kModeScreenAndHead);
  ASSERT_TRUE(navigator_.PageView(ViewModel::kBarRoute));
  EXPECT_TRUE(navigator_.PageView(ViewModel::kBarRoute)->Last(ViewModel::kPropertyShow).GetBool("show"));
}

TEST_F(QuickRecordBottomBarRouteTest, FinishingOpensTheEndingViewAndClosesTheCountDownAndTheBar) {
  // Whichever view model the ending page gets, the bar only asks for the route.
  navigator_.RegisterRoute(ViewModel::kEndingRoute, kModuleName, view_model_id::kQuickRecordResidentViewModel);
  ASSERT_TRUE(navigator_.Open(ViewModel::kCountDownRoute));
  ASSERT_TRUE(navigator_.Open(ViewModel::kBarRoute, Variant::FromJson(R"({"mode": 2})")));
  const Variant finish = Button(ViewModel::kOptComplete);
  navigator_.PageViewModel(ViewModel::kBarRoute)->Dispatch(ViewModel::kActionOptBottomBarButton, &finish);
  ASSERT_TRUE(navigator_.IsOpen(ViewModel::kEndingRoute));
  EXPECT_TRUE(navigator_.PageViewModel(ViewModel::kEndingRoute)->view_params()["router_params"].GetBool("show"));
  EXPECT_FALSE(navigator_.IsOpen(ViewModel::kCountDownRoute));
  EXPECT_FALSE(navigator_.IsOpen(ViewModel::kBarRoute));
}

}  // namespace
}  // namespace quick_record
