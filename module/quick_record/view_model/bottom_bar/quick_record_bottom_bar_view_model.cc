#include "module/quick_record/view_model/bottom_bar/quick_record_bottom_bar_view_model.h"

#include <utility>

#include "host/app/device_model.h"
#include "host/app/recording_state_model.h"
#include "host/app/string_table.h"
#include "host/app/window_state_model.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "module/quick_record/view_model/variant_map.h"

namespace quick_record {

using base::variant::Variant;
using ViewModel = QuickRecordBottomBarViewModel;

namespace {

constexpr char kToolbarEvent[] = "e#meetlog_recording_toolbar#";
constexpr int32_t kWindowMinimized = 1;
constexpr int32_t kWindowRestored = 2;

std::string Text(uint32_t id) { return framework::Resource::GetInstance()->GetString(id); }

void Report(const std::string& element, const base::analytics::Properties& properties = {}) {
  base::analytics::LogEventWithProperties(kToolbarEvent + element + "#click", properties);
}

bool ShowsCamera(int32_t mode) { return mode == ViewModel::kModeScreenAndHead || mode == ViewModel::kModeOnlyCamera; }

}  // namespace

ViewModel::QuickRecordBottomBarViewModel(Models models)
    : kovani::ExtensionViewModelT<framework::StatefulViewModel>(view_model_id::kQuickRecordBottomBarViewModel),
      models_(std::move(models)),
      state_([this](int32_t property, Variant value) { Publish(property, std::move(value)); }),
      switches_(&models_, [this](int32_t property, Variant value) { Publish(property, std::move(value)); }),
      narrow_timers_([this](bool narrow) { Publish(kPropertyNarrow, narrow); }),
      guide_([this](Variant guide) { Publish(kPropertyGuide, std::move(guide)); }),
      volume_({[this](int32_t volume) { Publish(kPropertyVolume, VariantMap({{"volume", volume}})); },
               [this] { return switches_.mic_open(); }, [this] { return state_.recording_started(); }}),
      ending_(&models_),
      confirmations_(std::make_shared<BottomBarConfirmations>([this] { CancelRecording(); })) {}

ViewModel::~QuickRecordBottomBarViewModel() = default;

// ---- Attach and detach --------------------------------------------------------------------------

void ViewModel::OnViewAttached() {
  models_.ResolveMissing();
  switches_.ReadRouterParams(view_params()["router_params"]);
  Subscribe();
  PublishUiData();
  switches_.PublishAll();
  volume_.Start(models_.recorder);
  shown_ = true;
  Publish(kPropertyShow, VariantMap({{"show", true}}));
  KLOG(6) << "start record";
  CatchUpWithStartedRecording();
}

void ViewModel::CatchUpWithStartedRecording() {
  if (!models_.session) return;
  Variant state;
  models_.session->Call(QuickRecordModel::kInvokeGetQuickRecordState, Variant(), &state);
  if (state.GetString("record_id").empty()) return;
  OnEventQuickRecordStarted(VariantMap({{"record_id", state.Get("record_id")}}));
}

void ViewModel::OnViewDetached() {
  StopTimers();
  subscriptions_.Clear();
  confirmations_->DisposeAll();
}

void ViewModel::Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
                       void (ViewModel::*handler)(const Variant&)) {
  subscriptions_.Follow(model, event_id, this, handler);
}

template <typename Part>
void ViewModel::Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id, Part ViewModel::*part,
                       void (Part::*handler)(const Variant&)) {
  std::weak_ptr<framework::StatefulViewModel> weak = weak_from_this();
  subscriptions_.Add(model, event_id, [weak, part, handler](int32_t, const Variant& payload) {
    if (auto self = std::static_pointer_cast<ViewModel>(weak.lock())) ((self.get()->*part).*handler)(payload);
  });
}

void ViewModel::Subscribe() {
  SubscribeSession();
  Follow(models_.camera, kCameraClosedEvent, &ViewModel::switches_, &BottomBarMediaSwitches::OnEventCameraClosed);
  Follow(models_.camera, kCameraDeviceChangedEvent, &ViewModel::switches_,
         &BottomBarMediaSwitches::OnEventCameraDeviceChanged);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventStopRequested, &ViewModel::OnShortcutKeyEventStopRecord);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventResumeRequested, &ViewModel::OnShortcutKeyEventResumeRecord);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventPauseRequested, &ViewModel::OnShortcutKeyEventPauseRecord);
  Follow(models_.space, QuickRecordSpaceModel::kEventRunOutChanged, &ViewModel::OnEventQuickRecordSpaceRunOutUpdated);
  Follow(models_.space, QuickRecordSpaceModel::kEventSpaceNotice, &ViewModel::OnEventPausedBySpace);
  Follow(models_.time, QuickRecordTimeModel::kEventRecordTime, &ViewModel::state_,
         &BottomBarRecordingState::OnUpdateQuickRecordTotalTime);
  Follow(models_.performance, QuickRecordPerformanceModel::kEventHdBusy, &ViewModel::OnPerformanceBusyAlert);
  SubscribeHost();
}

void ViewModel::SubscribeSession() {
  const auto& session = models_.session;
  Follow(session, QuickRecordModel::kEventStartRequested, &ViewModel::OnEventQuickRecordStarted);
  Follow(session, QuickRecordModel::kEventRecordError, &ViewModel::OnEventQuickRecordAlertError);
  Follow(session, kSessionShowBarEvent, &ViewModel::OnEventShowBar);
  Follow(session, kSessionControlRequestEvent, &ViewModel::OnEventControlRequest);
  Follow(session, kSessionResumedEvent, &ViewModel::OnEventResumedElsewhere);
  Follow(session, kSessionPausedChangedEvent, &ViewModel::OnEventPausedChanged);
  Follow(session, kSessionWindowMinimizedInStartEvent, &ViewModel::OnEventCancelForWindowMinimizedInStart);
}

void ViewModel::SubscribeHost() {
  Follow(models_.recording_service, host::app::kRecordingServiceForceCancellationEvent,
         &ViewModel::OnEventQuickRecordForceCancellation);
  Follow(models_.recording_service, host::app::kRecordingServiceUploadFileCompleteEvent,
         &ViewModel::OnEventTranscodeRecordUploadFileComplete);
  Follow(models_.window_state, host::app::kWindowStateChangedEvent, &ViewModel::OnEventShareWindowStateChange);
  Follow(models_.devices, host::app::kDeviceScreensChangedEvent, &ViewModel::OnEventMonitorListChanged);
  Follow(models_.devices, host::app::kDeviceDefaultCameraChangedEvent, &ViewModel::switches_,
         &BottomBarMediaSwitches::OnEventCameraDefaultDeviceChanged);
  Follow(models_.devices, host::app::kDeviceDefaultMicrophoneChangedEvent, &ViewModel::OnEventMicDefaultDeviceChanged);
  Follow(models_.devices, host::app::kDeviceMicrophoneAddedEvent, &ViewModel::OnEventMicAdd);
  Follow(models_.application, kIsMicDeviceUsedEvent, &ViewModel::OnEventIsMicDeviceUsed);
  Follow(models_.application, kCheckAppCanTerminateEvent, &ViewModel::OnEventCheckAppCanTerminate);
}

// ---- Actions ------------------------------------------------------------------------------------

void ViewModel::Handle(int action, const Variant* payload) {
  switch (action) {
    case kActionOptBottomBarButton:
      if (!payload) {
        KLOG(3) << "params is nullptr";
        return;
      }
      HandleOptBottomBarButton(*payload);
      return;
    case kActionShowExitConfirmation:
      confirmations_->AskBeforeExit();
      return;
    case kActionHoverBottomBar:
      narrow_timers_.HandleHoverBottomBar(payload, state_.paused());
      return;
    case kActionKeyPressed:
      if (payload) HandleKeyPressed(*payload);
      return;
    case kActionBarShown:
      guide_.ShowToolbarGuide();
      return;
    case kActionUpdateViewPosition:
      UpdateViewPosition();
      return;
    case kActionClearTip:
      PublishTip("");
      return;
    case kActionDpiScale:
      if (payload) dpi_scale_ = payload->GetDouble("dpi_scale", dpi_scale_);
      return;
    default:
      KLOG(4) << "unknown action " << action;
  }
}

void ViewModel::HandleOptBottomBarButton(const Variant& payload) {
  PublishTip("");
  const int32_t opt_type = payload.GetInt32("opt_type", -1);
  switch (opt_type) {
    case kOptOpenMic:
      Report("micro_button", {{"mirco_state", "on"}});
      switches_.HandleOpenMic();
      return;
    case kOptCloseMic:
      Report("micro_button", {{"mirco_state", "off"}});
      switches_.HandleCloseMic();
      return;
    case kOptOpenCamera:
      Report("video_button", {{"video_state", "on"}});
      switches_.HandleOpenCamera();
      return;
    case kOptCloseCamera:
      Report("video_button", {{"video_state", "off"}});
      switches_.HandleCloseCamera();
      return;
    case kOptResume:
      Report("pause_recording", {{"state", "continue"}});
      HandleResumeRecord();
      return;
    case kOptCancel:
      Report("cancel_recording");
      confirmations_->AskToCancel();
      return;
    case kOptNothing:
      return;
    case kOptComplete:
      HandleFinishButton();
      return;
    case kOptPause:
      Report("pause_recording", {{"state", "pause"}});
      HandlePauseRecord();
      return;
    case kOptOpenShareAudio:
      Report("system_sound_button", {{"is_on", "1"}});
      switches_.HandleOpenShareAudio();
      return;
    case kOptCloseShareAudio:
      Report("system_sound_button", {{"is_on", "0"}});
      switches_.HandleCloseShareAudio();
      return;
    default:
      KLOG(3) << "opt_type error,type:" << opt_type;
  }
}

void ViewModel::HandleKeyPressed(const Variant& payload) {
  if (!models_.shortcut) return;
  Variant key = VariantMap({{"vkey", payload.Get("BottomBarHandleKeyPressedFields_kIntegerVirtualKey")},
                     {"modifiers", payload.Get("BottomBarHandleKeyPressedFields_kIntegerModifiers")},
                     {"from_bottom_bar", true}});
  if (!models_.shortcut->Call(QuickRecordModel::kInvokeHandleKeyPressed, key, nullptr)) {
    KLOG(6) << "key press not taken by the shortcut model";
  }
}

// ---- Pause and resume ---------------------------------------------------------------------------

void ViewModel::HandlePauseRecord() {
  KLOG(6) << "click pause record";
  SendPause();
  state_.SetPaused(true);
  // The bar stays open while paused, so its buttons are at hand.
  narrow_timers_.Stop();
}

void ViewModel::HandleResumeRecord() {
  KLOG(6) << "click resume record";
  if (state_.window_record_paused()) {
    KLOG(3) << "window record is pause, shouldn't resume";
    state_.RefuseResume();
    PublishTip(Text(host::strings::kBottomBarWindowMinimizedTip));
    return;
  }
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeResumeRecord,
                           VariantMap({{"enable_mic", switches_.mic_open()}}), nullptr);
  }
  state_.PublishDuration();
  state_.SetPaused(false);
  narrow_timers_.StartLeaveTimer();
}

void ViewModel::SendPause() {
  if (models_.recorder) models_.recorder->Call(QuickRecordRecorderModel::kInvokePauseRecord, Variant(), nullptr);
}

void ViewModel::SetPaused(bool paused, const char* report_state) {
  state_.SetPaused(paused);
  if (report_state) Report("pause_recording", {{"state", report_state}});
}

// ---- Finish and cancel --------------------------------------------------------------------------

void ViewModel::HandleFinishButton() {
  user_click_complete_button_ = true;
  KLOG(6) << "user_click_complete_button_:" << user_click_complete_button_;
  ending_.UpdateLastMicDevice();
  HandleCompleteRecord(/*open_complete_url=*/true);
}

void ViewModel::HandleCompleteRecord(bool open_complete_url) {
  state_.Ended();
  StopTimers();
  ending_.HandleCompleteRecord(open_complete_url, state_.elapsed_seconds());
  CloseBar();
}

void ViewModel::CancelRecording() {
  state_.Ended();
  StopTimers();
  ending_.CancelRecording(state_.record_id());
  CloseBar();
}

void ViewModel::CloseBar() {
  shown_ = false;
  Publish(kPropertyShow, VariantMap({{"show", false}}));
  // Closing the page may drop the navigator's reference: this bar lives until the call returns.
  auto keep_alive = shared_from_this();
  framework::GetNavigatorService().Close(kBarRoute);
}

void ViewModel::StopTimers() {
  narrow_timers_.Stop();
  guide_.Stop();
  volume_.Stop();
}

// ---- Model events -------------------------------------------------------------------------------

void ViewModel::OnEventQuickRecordStarted(const Variant& payload) {
  if (state_.window_record_paused()) {
    KLOG(3) << "window record is pause, shouldn't start";
    SendPause();
    narrow_timers_.StartNarrowTimer();
    return;
  }
  KLOG(6) << "start recording timer in OnEventQuickRecordStarted";
  narrow_timers_.StartNarrowTimer();
  state_.Started(payload);
}

void ViewModel::OnEventQuickRecordAlertError(const Variant& payload) {
  BottomBarConfirmations::ShowRequestErrorAlert(payload);
}

void ViewModel::OnEventShowBar(const Variant& payload) {
  shown_ = payload.GetBool("show", true);
  Publish(kPropertyShow, VariantMap({{"show", shown_}}));
}

void ViewModel::OnEventControlRequest(const Variant& payload) { HandleOptBottomBarButton(payload); }

void ViewModel::OnEventResumedElsewhere(const Variant&) { SetPaused(false, "continue"); }

void ViewModel::OnEventPausedChanged(const Variant& payload) {
  SetPaused(payload.IsBool() ? payload.AsBool() : payload.GetBool("paused"), nullptr);
}

void ViewModel::OnEventCancelForWindowMinimizedInStart(const Variant&) {
  KLOG(6) << "stop record for win minimized window";
  CancelRecording();
}

void ViewModel::OnShortcutKeyEventStopRecord(const Variant&) {
  if (!shown_) {
    KLOG(6) << "bottom bar has not shown. ignore.";
    return;
  }
  HandleFinishButton();
}

void ViewModel::OnShortcutKeyEventResumeRecord(const Variant&) { HandleResumeRecord(); }

void ViewModel::OnShortcutKeyEventPauseRecord(const Variant&) { HandlePauseRecord(); }

void ViewModel::OnEventQuickRecordSpaceRunOutUpdated(const Variant& payload) {
  const bool run_out = payload.GetBool("run_out");
  KLOG(6) << "run_out: " << run_out;
  if (run_out && state_.recording_started()) {
    framework::GetNavigatorService().Open(kSpaceRunoutRoute, Variant::MakeMap());
  }
}

void ViewModel::OnEventPausedBySpace(const Variant&) { SetPaused(true, "pause"); }

void ViewModel::OnPerformanceBusyAlert(const Variant& payload) {
  Variant notice = VariantMap({{"is_camera_mode", switches_.mode() != kModeOnlyScreen}, {"expand", true}});
  if (payload.Has("msg")) notice.Set("title", payload.Get("msg"));
  framework::GetNavigatorService().Open(kNoticeRoute, notice);
}

void ViewModel::OnEventQuickRecordForceCancellation(const Variant& payload) {
  KLOG(6) << "recv force cancel event, param:" << payload.ToString();
  if (payload.GetBool("cancel_and_upload")) {
    HandleCompleteRecord(/*open_complete_url=*/false);
  } else {
    CancelRecording();
  }
}

void ViewModel::OnEventTranscodeRecordUploadFileComplete(const Variant& payload) {
  KLOG(6) << "upload file complete: " << payload.ToString();
}

void ViewModel::OnEventShareWindowStateChange(const Variant& payload) {
  const int32_t state = payload.GetInt32("state");
  if (state == kWindowMinimized) {
    KLOG(6) << "minimize.";
    OnWindowRecordPause();
  } else if (state == kWindowRestored) {
    KLOG(6) << "restore.";
    OnWindowRecordResume();
  } else {
    UpdateViewPosition();
  }
}

void ViewModel::OnWindowRecordPause() {
  if (state_.window_record_paused()) {
    KLOG(6) << "record already pause.";
    return;
  }
  state_.SetWindowRecordPaused(true);
  SendPause();
  state_.SetPaused(true);
  narrow_timers_.Stop();
  if (ShowsCamera(switches_.mode())) {
    KLOG(6) << "window minimize close camera";
    framework::GetNavigatorService().Close(kCameraPreviewRoute);
  }
}

void ViewModel::OnWindowRecordResume() {
  state_.SetWindowRecordPaused(false);
  PublishTip("");
  narrow_timers_.StartNarrowTimer();
  const int32_t mode = switches_.mode();
  if (ShowsCamera(mode)) {
    KLOG(6) << "window restore open camera";
    framework::GetNavigatorService().Open(kCameraPreviewRoute, VariantMap({{"show", true}, {"mode", mode}}));
  }
  if ((mode == kModeScreenAndHead || mode == kModeOnlyScreen) && models_.recorder) {
    KLOG(6) << "window restore update window rect";
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeReapplyVideoSources, Variant(), nullptr);
  }
}

void ViewModel::OnEventMonitorListChanged(const Variant&) {
  KLOG(6) << "monitor list changed.";
  UpdateViewPosition();
}

void ViewModel::OnEventMicDefaultDeviceChanged(const Variant&) { switches_.OnMicrophonesChanged(); }

void ViewModel::OnEventMicAdd(const Variant&) { switches_.OnMicrophonesChanged(); }

void ViewModel::OnEventIsMicDeviceUsed(const Variant& payload) {
  if (payload.IsNull()) {
    KLOG(3) << "params is nullptr";
    return;
  }
  if (auto* answer = payload.Get("result").AsPointer<Variant>()) {
    *answer = VariantMap({{"in_use", true}, {"info", "quick record bottom bar view is attach"}});
  }
}

void ViewModel::OnEventCheckAppCanTerminate(const Variant& payload) {
  OnEventIsMicDeviceUsed(payload);
  if (!payload.IsNull()) confirmations_->AskBeforeExit();
}

// ---- Publishing ---------------------------------------------------------------------------------

void ViewModel::PublishTip(const std::string& tip) { Publish(kPropertyTip, tip); }

void ViewModel::PublishUiData() {
  using namespace host::strings;
  static const std::pair<const char*, uint32_t> kLabels[] = {
      {"BottomBarUiDataFields_kStringCancelRecordTooltips", kBottomBarCancelTooltip},
      {"BottomBarUiDataFields_kStringCompleteRecordButtonContent", kBottomBarCompleteButton},
      {"BottomBarUiDataFields_kStringStopRecordTooltips", kBottomBarPauseTooltip},
      {"BottomBarUiDataFields_kStringResumeRecordTooltips", kBottomBarResumeTooltip},
      {"BottomBarUiDataFields_kStringTimerPausedContent", kBottomBarTimerPaused},
      {"BottomBarUiDataFields_kStringMuteMicTooltips", kBottomBarMuteMicTooltip},
      {"BottomBarUiDataFields_kStringUnmuteMicTooltips", kBottomBarUnmuteMicTooltip},
      {"BottomBarUiDataFields_kStringBottomBarMicUnopenToast", kBottomBarMicUnopenToast},
      {"BottomBarUiDataFields_kStringOpenShareAudioTooltips", kBottomBarOpenShareAudioTooltip},
      {"BottomBarUiDataFields_kStringCloseShareAudioTooltips", kBottomBarCloseShareAudioTooltip},
      {"BottomBarUiDataFields_kStringDisableShareAudioTooltips", kBottomBarDisableShareAudioTooltip},
      {"BottomBarUiDataFields_kStringOpenCameraTooltips", kBottomBarOpenCameraTooltip},
      {"BottomBarUiDataFields_kStringCloseCameraTooltips", kBottomBarCloseCameraTooltip},
      {"BottomBarUiDataFields_kStringBookTooltips", kBottomBarBookTooltip},
  };
  Variant labels = Variant::MakeMap();
  for (const auto& [key, id] : kLabels) labels.Set(key, Text(id));
  Publish(kPropertyUiData, labels);
}

void ViewModel::UpdateViewPosition() {
  Variant position = Variant::MakeMap();
  Variant screen;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeGetSelectScreenInfo, Variant(), &screen);
  position.Set("select_screen_info", screen);
  position.Set("camera_preview_info",
               VariantMap({{"type", switches_.mode()}, {"preview_winid", switches_.camera_device_id()}}));
  Variant monitors = Variant::MakeArray();
  if (models_.devices) models_.devices->Call(host::app::kDeviceGetScreens, Variant(), &monitors);
  position.Set("monitor_list", monitors);
  Publish(kPropertyPosition, position);
}

}  // namespace quick_record
