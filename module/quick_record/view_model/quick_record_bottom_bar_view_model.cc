#include "module/quick_record/view_model/quick_record_bottom_bar_view_model.h"

#include <cstdio>
#include <utility>

#include "host/app/device_model.h"
#include "host/app/recording_state_model.h"
#include "host/app/string_table.h"
#include "host/app/window_state_model.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani/alert.h"
#include "host/sdk/kovani/open_web_page.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"

namespace quick_record {

using base::variant::Variant;
using ViewModel = QuickRecordBottomBarViewModel;

namespace {

constexpr char kToolbarEvent[] = "e#meetlog_recording_toolbar#";
constexpr int32_t kWindowMinimized = 1;
constexpr int32_t kWindowRestored = 2;
constexpr int32_t kCameraPreviewWidth = 320;
constexpr int32_t kCameraPreviewHeight = 180;

std::string Text(uint32_t id) { return framework::Resource::GetInstance()->GetString(id); }

void Report(const std::string& element, const base::analytics::Properties& properties = {}) {
  base::analytics::LogEventWithProperties(kToolbarEvent + element + "#click", properties);
}

Variant Map(std::initializer_list<std::pair<const char*, Variant>> entries) {
  Variant map = Variant::MakeMap();
  for (const auto& [key, value] : entries) map.Set(key, value);
  return map;
}

}  // namespace

ViewModel::QuickRecordBottomBarViewModel(Models models)
    : kovani::ExtensionViewModelT<framework::StatefulViewModel>(view_model_id::kQuickRecordBottomBarViewModel),
      models_(std::move(models)) {}

ViewModel::~QuickRecordBottomBarViewModel() { StopTimers(); }

std::string ViewModel::FormatDuration(uint32_t seconds) {
  char text[32];
  const uint32_t hours = seconds / 3600;
  const uint32_t minutes = seconds / 60 % 60;
  if (hours == 0) {
    std::snprintf(text, sizeof text, "%02u:%02u", minutes, seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", hours, minutes, seconds % 60);
  }
  return text;
}

// ---- Attach and detach --------------------------------------------------------------------------

void ViewModel::OnViewAttached() {
  ResolveModels();
  ReadRouterParams();
  Subscribe();
  PublishUiData();
  PublishMicrophone();
  PublishCamera();
  PublishShareAudio();
  volume_timer_ = MakeTimer(&ViewModel::SampleVolume);
  volume_timer_->Start(kVolumeMs, /*repeating=*/true);
  shown_ = true;
  Publish(kPropertyShow, Map({{"show", true}}));
  KLOG(6) << "start record";
  CatchUpWithStartedRecording();
}

void ViewModel::CatchUpWithStartedRecording() {
  if (!models_.session) return;
  Variant state;
  models_.session->Call(QuickRecordModel::kInvokeGetQuickRecordState, Variant(), &state);
  if (state.GetString("record_id").empty()) return;
  OnEventQuickRecordStarted(Map({{"record_id", state.Get("record_id")}}));
}

void ViewModel::OnViewDetached() {
  StopTimers();
  subscriptions_.Clear();
  for (int32_t* alert : {&cancel_alert_id_, &exit_alert_id_}) {
    if (*alert) kovani::DisposeAlert(*alert);
    *alert = 0;
  }
}

void ViewModel::ResolveModels() {
  using framework::module::GetAppModuleModel;
  auto fill = [](std::shared_ptr<framework::ModelImpl>& model, std::shared_ptr<framework::ModelImpl> found) {
    if (!model) model = std::move(found);
  };
  fill(models_.session, ModuleModelOf(model_id::kQuickRecordModel));
  fill(models_.recorder, ModuleModelOf(model_id::kQuickRecordRecorderModel));
  fill(models_.time, ModuleModelOf(model_id::kQuickRecordTimeModel));
  fill(models_.space, ModuleModelOf(model_id::kQuickRecordSpaceModel));
  fill(models_.shortcut, ModuleModelOf(model_id::kQuickRecordShortcutModel));
  fill(models_.performance, ModuleModelOf(model_id::kQuickRecordPerformanceModel));
  fill(models_.upload, ModuleModelOf(model_id::kQuickRecordUploadModel));
  fill(models_.camera, ModuleModelOf(model_id::kMeetlogCameraModel));
  fill(models_.recording_service, GetAppModuleModel(host::app::kRecordingServiceModelId));
  fill(models_.window_state, GetAppModuleModel(host::app::kWindowStateModelId));
  fill(models_.devices, GetAppModuleModel(host::app::kDeviceModelId));
  fill(models_.application, GetAppModuleModel(kHostApplicationModelId));
}

void ViewModel::ReadRouterParams() {
  const Variant& params = view_params()["router_params"];
  if (!params.IsMap()) {
    KLOG(3) << "router_params error";
  }
  const int32_t mode = params.GetInt32("mode", kModeOnlyScreen);
  if (mode < kModeScreenAndHead || mode > kModeOnlyCamera) {
    KLOG(3) << "mode is error";
  } else {
    mode_ = mode;
  }
  camera_open_ = mode_ != kModeOnlyScreen;
  camera_device_id_ = params.GetString("camera_device_id");
  mic_open_ = params.GetBool("enable_mic", true);
  KLOG(6) << "enable_mic:" << mic_open_ << " is_audio_plugin_installing_ " << false;
  UpdateDeviceAvailability();
  KLOG(6) << "mic maybe exists:" << mic_exists_;
}

void ViewModel::Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
                       void (ViewModel::*handler)(const Variant&)) {
  subscriptions_.Follow(model, event_id, this, handler);
}

void ViewModel::Subscribe() {
  SubscribeSession();
  Follow(models_.camera, kCameraClosedEvent, &ViewModel::OnEventCameraClosed);
  Follow(models_.camera, kCameraDeviceChangedEvent, &ViewModel::OnEventCameraDeviceChanged);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventStopRequested, &ViewModel::OnShortcutKeyEventStopRecord);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventResumeRequested, &ViewModel::OnShortcutKeyEventResumeRecord);
  Follow(models_.shortcut, QuickRecordShortcutModel::kEventPauseRequested, &ViewModel::OnShortcutKeyEventPauseRecord);
  Follow(models_.space, QuickRecordSpaceModel::kEventRunOutChanged, &ViewModel::OnEventQuickRecordSpaceRunOutUpdated);
  Follow(models_.space, QuickRecordSpaceModel::kEventSpaceNotice, &ViewModel::OnEventPausedBySpace);
  Follow(models_.time, QuickRecordTimeModel::kEventRecordTime, &ViewModel::OnUpdateQuickRecordTotalTime);
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
  Follow(models_.devices, host::app::kDeviceDefaultCameraChangedEvent, &ViewModel::OnEventCameraDefaultDeviceChanged);
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
      ShowExitConfirmation();
      return;
    case kActionHoverBottomBar:
      HandleHoverBottomBar(payload);
      return;
    case kActionKeyPressed:
      if (payload) HandleKeyPressed(*payload);
      return;
    case kActionBarShown:
      ShowToolbarGuide();
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
      HandleOpenMic();
      return;
    case kOptCloseMic:
      Report("micro_button", {{"mirco_state", "off"}});
      HandleCloseMic();
      return;
    case kOptOpenCamera:
      Report("video_button", {{"video_state", "on"}});
      HandleOpenCamera();
      return;
    case kOptCloseCamera:
      Report("video_button", {{"video_state", "off"}});
      HandleCloseCamera();
      return;
    case kOptResume:
      Report("pause_recording", {{"state", "continue"}});
      HandleResumeRecord();
      return;
    case kOptCancel:
      Report("cancel_recording");
      HandleCancelButton();
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
      HandleOpenShareAudio();
      return;
    case kOptCloseShareAudio:
      Report("system_sound_button", {{"is_on", "0"}});
      HandleCloseShareAudio();
      return;
    default:
      KLOG(3) << "opt_type error,type:" << opt_type;
  }
}

void ViewModel::HandleHoverBottomBar(const Variant* payload) {
  if (!payload) {
    KLOG(3) << "params is null.";
    return;
  }
  if (!payload->IsBool()) {
    KLOG(3) << "params is not bool.";
    return;
  }
  if (payload->AsBool()) {
    StopNarrowTimers();
    SetNarrow(false);
  } else if (!paused_) {
    StartLeaveTimer();
  }
}

void ViewModel::HandleKeyPressed(const Variant& payload) {
  if (!models_.shortcut) return;
  Variant key = Map({{"vkey", payload.Get("BottomBarHandleKeyPressedFields_kIntegerVirtualKey")},
                     {"modifiers", payload.Get("BottomBarHandleKeyPressedFields_kIntegerModifiers")},
                     {"from_bottom_bar", true}});
  if (!models_.shortcut->Call(QuickRecordModel::kInvokeHandleKeyPressed, key, nullptr)) {
    KLOG(6) << "key press not taken by the shortcut model";
  }
}

// ---- Microphone, camera, system sound -----------------------------------------------------------

void ViewModel::HandleOpenMic() {
  KLOG(6) << "user open mic";
  if (!mic_exists_) {
    KLOG(3) << "mic not exists, return enable opt, disable mic select list";
    PublishMicrophone();
    return;
  }
  mic_open_ = true;
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeFuncUpdateMicOpenState,
                           Map({{"mic_open", true}, {"from_main_pannel", false}}), nullptr);
  }
  PublishMicrophone();
}

void ViewModel::HandleCloseMic() {
  KLOG(6) << "user close mic";
  mic_open_ = false;
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeFuncUpdateMicOpenState,
                           Map({{"mic_open", false}, {"from_main_pannel", false}}), nullptr);
  }
  PublishMicrophone();
}

void ViewModel::HandleOpenCamera() {
  KLOG(6) << "user open camera";
  // The host's device model is what grants the camera to the recording.
  if (!models_.devices) {
    KLOG(3) << "camera access fail";
    return;
  }
  UpdateDeviceAvailability();
  if (!camera_exists_) {
    KLOG(3) << "camera not exists, return enable opt, disable camera select list";
    PublishCamera();
    return;
  }
  if (mode_ == kModeOnlyScreen) {
    KLOG(6) << "kModeTypeOnlyScreen open camera, change to kModeTypeScreenAndHead";
    mode_ = kModeScreenAndHead;
    if (models_.session) {
      models_.session->Call(QuickRecordModel::kInvokeChangeModeType, Map({{"select_mode", mode_}}), nullptr);
    }
  }
  camera_open_ = true;
  const Variant preview = Map({{"width", kCameraPreviewWidth},
                               {"height", kCameraPreviewHeight},
                               {"select_mode", mode_},
                               {"need_open", true},
                               {"device_id", camera_device_id_}});
  if (!framework::GetNavigatorService().Open(kCameraPreviewRoute, preview)) KLOG(3) << "cannot open the camera preview";
  PublishCamera();
}

void ViewModel::HandleCloseCamera() {
  KLOG(6) << "user close camera";
  camera_open_ = false;
  if (mode_ == kModeScreenAndHead) mode_ = kModeOnlyScreen;
  if (models_.session) {
    models_.session->Call(QuickRecordModel::kInvokeChangeModeType, Map({{"select_mode", mode_}}), nullptr);
  }
  framework::GetNavigatorService().Close(kCameraPreviewRoute);
  PublishCamera();
}

void ViewModel::HandleOpenShareAudio() {
  share_audio_open_ = true;
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeEnableShareAudio, Map({{"enable_share_audio", true}}),
                           nullptr);
  }
  PublishShareAudio();
}

void ViewModel::HandleCloseShareAudio() {
  share_audio_open_ = false;
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeEnableShareAudio, Map({{"enable_share_audio", false}}),
                           nullptr);
  }
  PublishShareAudio();
}

// ---- Pause and resume ---------------------------------------------------------------------------

void ViewModel::HandlePauseRecord() {
  KLOG(6) << "click pause record";
  SendPause();
  paused_ = true;
  Publish(kPropertyPaused, true);
  // The bar stays open while paused, so its buttons are at hand.
  StopNarrowTimers();
}

void ViewModel::HandleResumeRecord() {
  KLOG(6) << "click resume record";
  if (window_record_paused_) {
    KLOG(3) << "window record is pause, shouldn't resume";
    Publish(kPropertyPaused, true);
    PublishTip(Text(host::strings::kBottomBarWindowMinimizedTip));
    return;
  }
  if (models_.recorder) {
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeResumeRecord, Map({{"enable_mic", mic_open_}}), nullptr);
  }
  PublishDuration();
  paused_ = false;
  Publish(kPropertyPaused, false);
  StartLeaveTimer();
}

void ViewModel::SendPause() {
  if (models_.recorder) models_.recorder->Call(QuickRecordRecorderModel::kInvokePauseRecord, Variant(), nullptr);
}

void ViewModel::SetPaused(bool paused, const char* report_state) {
  paused_ = paused;
  Publish(kPropertyPaused, paused);
  if (report_state) Report("pause_recording", {{"state", report_state}});
}

// ---- Finish and cancel --------------------------------------------------------------------------

void ViewModel::HandleFinishButton() {
  user_click_complete_button_ = true;
  KLOG(6) << "user_click_complete_button_:" << user_click_complete_button_;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeUpdateLastMicDevice, Variant::MakeMap(), nullptr);
  HandleCompleteRecord(/*open_complete_url=*/true);
}

void ViewModel::HandleCompleteRecord(bool open_complete_url) {
  KLOG(6) << "click complete record";
  recording_started_ = false;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeQuickRecordComplete, Variant(), nullptr);
  const std::string url = GetRecordCompleteUrl();
  if (url.empty()) {
    KLOG(3) << "record url is empty.";
  } else if (open_complete_url) {
    kovani::OpenWebPage(url);
  }
  ClearQuickRecord();
  framework::GetNavigatorService().Open(kTrackerRoute, Map({{"change_status", true}, {"from_quick_recording", true}}));
  if (models_.recording_service) {
    models_.recording_service->Call(
        host::app::kRecordingServiceRecordState,
        Map({{"record_state", 0}, {"record_type", QuickRecordRecorderModel::kRecordTypeQuickRecord}, {"is_owner", true}}),
        nullptr);
  }
  // Whole minutes begun: 1 s to 60 s is one minute, 61 s two.
  const uint32_t minutes = (elapsed_seconds_ + 59) / 60;
  base::analytics::LogEventWithProperties(
      "e#meetlog_recording_toolbar#end_recording#click",
      {{"time", std::to_string(minutes)}, {"time_detail", std::to_string(elapsed_seconds_)}});
  ShowEndingView();
}

void ViewModel::ShowEndingView() {
  auto& navigator = framework::GetNavigatorService();
  navigator.Open(kEndingRoute, Map({{"show", true}}));
  navigator.Close(kCountDownRoute);
  navigator.Close(kCountDownMaskRoute);
  CloseBar();
}

void ViewModel::HandleCancelButton() {
  if (cancel_alert_id_ != 0 && kovani::IsAlertOpen(cancel_alert_id_)) return;
  kovani::AlertInfo alert;
  alert.title = Text(host::strings::kBottomBarCancelAlertTitle);
  alert.content = Text(host::strings::kBottomBarCancelAlertContent);
  alert.buttons = {Text(host::strings::kBottomBarCancelAlertContinue), Text(host::strings::kBottomBarCancelAlertCancel)};
  alert.top_most = true;
  std::weak_ptr<framework::StatefulViewModel> weak = weak_from_this();
  cancel_alert_id_ = kovani::ShowAlert(std::move(alert), [weak](int32_t button) {
    if (auto self = std::static_pointer_cast<ViewModel>(weak.lock())) self->OnCancelAlertAnswered(button);
  });
}

void ViewModel::OnCancelAlertAnswered(int32_t button) {
  cancel_alert_id_ = 0;
  if (button != kCancelAlertDiscard) {
    KLOG(6) << "click continue record";
    return;
  }
  KLOG(6) << "click cancel record";
  base::analytics::LogEvent("e#meetlog_recording_cancel_confirm_popup#confirm#click");
  CancelRecording();
}

void ViewModel::CancelRecording() {
  const std::string record_id = CurrentRecordId();
  KLOG(6) << "request server cancel record, record_id:" << record_id;
  if (models_.upload) {
    models_.upload->Call(QuickRecordUploadModel::kInvokeRequestServerCancelRecord, Map({{"record_id", record_id}}),
                         nullptr);
  }
  if (models_.session) {
    models_.session->Call(QuickRecordModel::kInvokeCancelQuickRecord, Map({{"record_id", record_id}}), nullptr);
    models_.session->Call(QuickRecordModel::kInvokeUpdateLastMicDevice, Variant::MakeMap(), nullptr);
  }
  recording_started_ = false;
  ClearQuickRecord();
  CloseBar();
}

void ViewModel::ClearQuickRecord() {
  KLOG(6) << "clear quick record";
  StopTimers();
  if (models_.recorder) models_.recorder->Call(QuickRecordRecorderModel::kInvokeStopRecord, Variant(), nullptr);
}

void ViewModel::CloseBar() {
  shown_ = false;
  Publish(kPropertyShow, Map({{"show", false}}));
  // Closing the page may drop the navigator's reference: this bar lives until the call returns.
  auto keep_alive = shared_from_this();
  framework::GetNavigatorService().Close(kBarRoute);
}

std::string ViewModel::CurrentRecordId() const {
  if (models_.session) {
    Variant state;
    models_.session->Call(QuickRecordModel::kInvokeGetQuickRecordState, Variant(), &state);
    const std::string id = state.GetString("record_id");
    if (!id.empty()) return id;
  }
  return record_id_;
}

std::string ViewModel::GetRecordCompleteUrl() const {
  Variant url;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeGetQuickRecordWebUrl, Variant(), &url);
  return url.AsString();
}

// ---- Model events -------------------------------------------------------------------------------

void ViewModel::OnEventQuickRecordStarted(const Variant& payload) {
  if (window_record_paused_) {
    KLOG(3) << "window record is pause, shouldn't start";
    SendPause();
    StartNarrowTimer();
    return;
  }
  KLOG(6) << "start recording timer in OnEventQuickRecordStarted";
  StartNarrowTimer();
  if (payload.Has("record_id")) record_id_ = payload.GetString("record_id");
  KLOG(6) << "update record id:" << record_id_;
  Publish(kPropertyHasRecordId, !record_id_.empty());
  recording_started_ = true;
}

void ViewModel::OnEventQuickRecordAlertError(const Variant& payload) { ShowRequestErrorAlert(payload); }

void ViewModel::OnEventShowBar(const Variant& payload) {
  shown_ = payload.GetBool("show", true);
  Publish(kPropertyShow, Map({{"show", shown_}}));
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

void ViewModel::OnEventCameraClosed(const Variant& payload) {
  if (!payload.GetBool("only_close_camera", true)) return;
  camera_open_ = false;
  PublishCamera();
}

void ViewModel::OnEventCameraDeviceChanged(const Variant& payload) {
  camera_device_id_ = payload.GetString("device_id", camera_device_id_);
  UpdateDeviceAvailability();
  PublishCamera();
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
  if (run_out && recording_started_) framework::GetNavigatorService().Open(kSpaceRunoutRoute, Variant::MakeMap());
}

void ViewModel::OnEventPausedBySpace(const Variant&) { SetPaused(true, "pause"); }

void ViewModel::OnUpdateQuickRecordTotalTime(const Variant& payload) {
  if (!payload.IsInteger()) {
    KLOG(3) << "param is not int, " << payload.ToString();
    return;
  }
  elapsed_seconds_ = static_cast<uint32_t>(payload.AsInt64() / 1000);
  PublishDuration();
}

void ViewModel::OnPerformanceBusyAlert(const Variant& payload) {
  Variant notice = Map({{"is_camera_mode", mode_ != kModeOnlyScreen}, {"expand", true}});
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
  if (window_record_paused_) {
    KLOG(6) << "record already pause.";
    return;
  }
  window_record_paused_ = true;
  SendPause();
  paused_ = true;
  Publish(kPropertyPaused, true);
  StopNarrowTimers();
  if (mode_ == kModeScreenAndHead || mode_ == kModeOnlyCamera) {
    KLOG(6) << "window minimize close camera";
    framework::GetNavigatorService().Close(kCameraPreviewRoute);
  }
}

void ViewModel::OnWindowRecordResume() {
  window_record_paused_ = false;
  PublishTip("");
  StartNarrowTimer();
  if (mode_ == kModeScreenAndHead || mode_ == kModeOnlyCamera) {
    KLOG(6) << "window restore open camera";
    framework::GetNavigatorService().Open(kCameraPreviewRoute, Map({{"show", true}, {"mode", mode_}}));
  }
  if ((mode_ == kModeScreenAndHead || mode_ == kModeOnlyScreen) && models_.recorder) {
    KLOG(6) << "window restore update window rect";
    models_.recorder->Call(QuickRecordRecorderModel::kInvokeReapplyVideoSources, Variant(), nullptr);
  }
}

void ViewModel::OnEventMonitorListChanged(const Variant&) {
  KLOG(6) << "monitor list changed.";
  UpdateViewPosition();
}

void ViewModel::OnEventCameraDefaultDeviceChanged(const Variant& payload) {
  if (camera_device_id_.empty()) camera_device_id_ = payload.GetString("device_id");
  UpdateDeviceAvailability();
  PublishCamera();
}

void ViewModel::OnEventMicDefaultDeviceChanged(const Variant&) {
  UpdateDeviceAvailability();
  PublishMicrophone();
}

void ViewModel::OnEventMicAdd(const Variant&) {
  UpdateDeviceAvailability();
  PublishMicrophone();
}

void ViewModel::OnEventIsMicDeviceUsed(const Variant& payload) {
  if (payload.IsNull()) {
    KLOG(3) << "params is nullptr";
    return;
  }
  if (auto* answer = payload.Get("result").AsPointer<Variant>()) {
    *answer = Map({{"in_use", true}, {"info", "quick record bottom bar view is attach"}});
  }
}

void ViewModel::OnEventCheckAppCanTerminate(const Variant& payload) {
  OnEventIsMicDeviceUsed(payload);
  if (!payload.IsNull()) ShowExitConfirmation();
}

void ViewModel::ShowRequestErrorAlert(const Variant& error) {
  kovani::AlertInfo alert;
  alert.title = error.GetString("error_title");
  alert.content = error.GetString("error_msg");
  alert.buttons = {error.GetString("operation")};
  alert.top_most = true;
  KLOG(3) << "request error, biz_type:" << error.GetInt32("biz_type");
  kovani::ShowAlert(std::move(alert), [](int32_t button) {
    if (button == 0) {
      KLOG(6) << "click got it";
    } else {
      KLOG(3) << "error type:" << button;
    }
  });
}

void ViewModel::ShowExitConfirmation() {
  if (exit_alert_id_ != 0) kovani::DisposeAlert(exit_alert_id_);
  kovani::AlertInfo alert;
  alert.title = Text(host::strings::kBottomBarExitAlertTitle);
  alert.content = Text(host::strings::kBottomBarExitAlertContent);
  alert.buttons = {Text(host::strings::kBottomBarExitAlertPositive), Text(host::strings::kBottomBarExitAlertNegative)};
  alert.top_most = true;
  std::weak_ptr<framework::StatefulViewModel> weak = weak_from_this();
  exit_alert_id_ = kovani::ShowAlert(std::move(alert), [weak](int32_t) {
    if (auto self = std::static_pointer_cast<ViewModel>(weak.lock())) self->exit_alert_id_ = 0;
  });
}

// ---- Narrow, guide and volume timers ------------------------------------------------------------

std::shared_ptr<base::threading::Timer> ViewModel::MakeTimer(void (ViewModel::*task)()) {
  std::weak_ptr<framework::StatefulViewModel> weak = weak_from_this();
  return base::threading::CreateTimer(
      [weak, task] {
        if (auto self = std::static_pointer_cast<ViewModel>(weak.lock())) (self.get()->*task)();
      },
      FROM_HERE);
}

void ViewModel::StartNarrowTimer() {
  if (!narrow_timer_) narrow_timer_ = MakeTimer(&ViewModel::OnNarrowTimerExpired);
  narrow_timer_->Start(kNarrowMs, /*repeating=*/false);
}

void ViewModel::OnNarrowTimerExpired() {
  KLOG(6) << "narrow timer expire.";
  SetNarrow(true);
}

void ViewModel::StartLeaveTimer() {
  if (!leave_timer_) leave_timer_ = MakeTimer(&ViewModel::OnLeaveTimerExpired);
  leave_timer_->Start(kLeaveMs, /*repeating=*/false);
}

void ViewModel::OnLeaveTimerExpired() {
  KLOG(6) << "unhover narrow timer expire.";
  SetNarrow(true);
}

void ViewModel::StopNarrowTimers() {
  if (narrow_timer_) narrow_timer_->Stop();
  if (leave_timer_) leave_timer_->Stop();
}

void ViewModel::SetNarrow(bool narrow) {
  narrow_ = narrow;
  Publish(kPropertyNarrow, narrow);
}

void ViewModel::ShowToolbarGuide() {
  guide_timer_ = MakeTimer(&ViewModel::StopGuideTimer);
  guide_timer_->Start(kGuideMs, /*repeating=*/false);
  const bool shown_before = kovanisdk::utils::user_config::GetValue(kGuideShownKey, false).AsBool();
  guide_shown_ = !shown_before;
  Publish(kPropertyGuide, Map({{"tips", Text(host::strings::kBottomBarGuideTips)}, {"show", guide_shown_}}));
  if (guide_shown_) kovanisdk::utils::user_config::SetValue(kGuideShownKey, true);
}

void ViewModel::StopGuideTimer() {
  if (guide_timer_) guide_timer_->Stop();
  guide_shown_ = false;
  Publish(kPropertyGuide, Map({{"tips", ""}, {"show", false}}));
}

void ViewModel::SampleVolume() {
  if (!models_.recorder) return;
  Variant level;
  models_.recorder->Call(QuickRecordRecorderModel::kInvokeFuncGetLocalAudioVolume, Variant(), &level);
  const int32_t volume = level.GetInt32("volume");
  if (volume != volume_) {
    volume_ = volume;
    Publish(kPropertyVolume, Map({{"volume", volume}}));
  }
  SpeakingIntoMutedMic(volume);
}

void ViewModel::SpeakingIntoMutedMic(int32_t volume) {
  if (!muted_speech_.Sample(volume, mic_open_, recording_started_)) return;
  KLOG(6) << "---dp: update_volume_times_ is 10, show toast";
  kovani::ShowToast({Text(host::strings::kBottomBarMicUnopenToast), 0, kMutedSpeechToastMs, kMutedSpeechToastPosition});
}

void ViewModel::StopTimers() {
  for (auto* timer : {&narrow_timer_, &leave_timer_, &guide_timer_, &volume_timer_}) {
    if (*timer) (*timer)->Stop();
  }
}

// ---- Publishing ---------------------------------------------------------------------------------

void ViewModel::PublishDuration() {
  Publish(kPropertyDuration,
          Map({{"over_one_hour", elapsed_seconds_ >= 3600}, {"record_duration", FormatDuration(elapsed_seconds_)}}));
}

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

void ViewModel::PublishMicrophone() {
  Publish(kPropertyMicrophone, Map({{"open", mic_open_}, {"available", mic_exists_}}));
}

void ViewModel::PublishCamera() {
  Publish(kPropertyCamera, Map({{"open", camera_open_}, {"available", camera_exists_}}));
  Publish(kPropertyCameraAvailable, Map({{"available", camera_exists_}}));
}

void ViewModel::PublishShareAudio() {
  Publish(kPropertyShareAudio, Map({{"open", share_audio_open_}, {"available", true}}));
}

void ViewModel::UpdateViewPosition() {
  Variant position = Variant::MakeMap();
  Variant screen;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeGetSelectScreenInfo, Variant(), &screen);
  position.Set("select_screen_info", screen);
  position.Set("camera_preview_info", Map({{"type", mode_}, {"preview_winid", camera_device_id_}}));
  Variant monitors = Variant::MakeArray();
  if (models_.devices) models_.devices->Call(host::app::kDeviceGetScreens, Variant(), &monitors);
  position.Set("monitor_list", monitors);
  Publish(kPropertyPosition, position);
}

void ViewModel::UpdateDeviceAvailability() {
  mic_exists_ = DeviceListHasAny(host::app::kDeviceGetMicrophones);
  camera_exists_ = DeviceListHasAny(host::app::kDeviceGetCameras);
}

bool ViewModel::DeviceListHasAny(int32_t method_id) const {
  Variant devices;
  if (!models_.devices || !models_.devices->Call(method_id, Variant(), &devices)) return false;
  return devices.IsArray() && devices.Size() > 0;
}

}  // namespace quick_record
