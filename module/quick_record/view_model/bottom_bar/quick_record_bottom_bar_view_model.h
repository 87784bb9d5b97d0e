#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/framework/model/model_impl.h"
#include "host/framework/view_model/stateful_view_model.h"
#include "host/sdk/kovani/module_extension.h"
#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_confirmations.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_media_switches.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_models.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_narrow_timers.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_recording_ending.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_recording_state.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_toolbar_guide.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_volume_monitor.h"
#include "module/quick_record/view_model/bottom_bar/muted_speech_detector.h"

namespace quick_record {

// The control bar that floats over the screen while a quick recording runs (page
// "kovani://page/quick_record/bottom_bar", opened with "router_params" {"mode",
// "camera_device_id", "enable_mic"}). It only sends commands to the recording models and shows
// their state; finishing or cancelling closes it. Opened after the session announced the record
// id, it takes the recording as started from that id.
//
// What a view reads (property id: payload):
//   446425 {"over_one_hour", "record_duration"}  751408 paused  768898 narrow
//   649065 {"tips", "show"} toolbar guide         361182 one-line tip ("" clears it)
//   578240 the recording has a record id          952380 {"show"} the bar itself
//   341013 labels and tooltips ("BottomBarUiDataFields_k..." keys)
//   958218 {"select_screen_info", "camera_preview_info", "monitor_list"} where to stand
//   935747 camera {"open", "available"}           181419 system sound {"open", "available"}
//   604968 {"volume"} microphone level, every 100 ms
//   346271 {"show_view"}                          676688 microphone {"open", "available"}
//   633809 camera {"available"}
// What a view sends (action id: payload):
//   0x98298 {"opt_type", "opt_mode"} a button: 0 mic on, 1 mic off, 2 camera on, 3 camera off,
//           4 resume, 5 cancel (asks first), 7 finish, 8 pause, 9 system sound on, 10 off
//   0x99cf7 ask before the application quits     0x10ac41 bool: the pointer is over the bar
//   0xb56f0 {"BottomBarHandleKeyPressedFields_kIntegerVirtualKey", "..._kIntegerModifiers"}
//   0x3e5be the bar became visible                0x582a2 place the bar again
//   0x9298e clear the tip                         0x19b6d {"dpi_scale"}
// The cancel and quit confirmations are host alerts (kovani::ShowAlert): the cancel alert's
// buttons are 0 continue recording, 1 discard the recording.
//
// States: collapsed ("narrow") 3 s after start, resume or restore and 500 ms after the pointer
// leaves; never while paused. Paused by the user, by the shortcut, by the space model or because
// the recorded window was minimized; only the last holds a resume back until the window returns.
//
// This class routes actions and model events; its parts do the work: BottomBarRecordingState
// (what is shown of the recording), BottomBarMediaSwitches (microphone, camera, system sound),
// BottomBarNarrowTimers, BottomBarToolbarGuide, BottomBarVolumeMonitor (level and muted-speech
// toast), BottomBarConfirmations (cancel and quit alerts) and BottomBarRecordingEnding (finish
// and cancel commands).
//
// Main thread: actions, model events and timers all arrive there.
class QuickRecordBottomBarViewModel : public kovani::ExtensionViewModelT<framework::StatefulViewModel> {
 public:
  // Actions.
  static constexpr int kActionOptBottomBarButton = 0x98298;
  static constexpr int kActionShowExitConfirmation = 0x99cf7;
  static constexpr int kActionHoverBottomBar = 0x10ac41;
  static constexpr int kActionKeyPressed = 0xb56f0;
  static constexpr int kActionBarShown = 0x3e5be;
  static constexpr int kActionUpdateViewPosition = 0x582a2;
  static constexpr int kActionClearTip = 0x9298e;
  static constexpr int kActionDpiScale = 0x19b6d;

  // Properties.
  static constexpr int32_t kPropertyDuration = BottomBarRecordingState::kPropertyDuration;
  static constexpr int32_t kPropertyPaused = BottomBarRecordingState::kPropertyPaused;
  static constexpr int32_t kPropertyNarrow = 768898;
  static constexpr int32_t kPropertyGuide = 649065;
  static constexpr int32_t kPropertyTip = 361182;
  static constexpr int32_t kPropertyHasRecordId = BottomBarRecordingState::kPropertyHasRecordId;
  static constexpr int32_t kPropertyShow = 952380;
  static constexpr int32_t kPropertyUiData = 341013;
  static constexpr int32_t kPropertyPosition = 958218;
  static constexpr int32_t kPropertyCamera = BottomBarMediaSwitches::kPropertyCamera;
  static constexpr int32_t kPropertyShareAudio = BottomBarMediaSwitches::kPropertyShareAudio;
  static constexpr int32_t kPropertyVolume = 604968;
  static constexpr int32_t kPropertyShowView = 346271;
  static constexpr int32_t kPropertyCameraAvailable = BottomBarMediaSwitches::kPropertyCameraAvailable;
  static constexpr int32_t kPropertyMicrophone = BottomBarMediaSwitches::kPropertyMicrophone;

  // "opt_type" of kActionOptBottomBarButton.
  enum OptType : int32_t {
    kOptOpenMic = 0,
    kOptCloseMic = 1,
    kOptOpenCamera = 2,
    kOptCloseCamera = 3,
    kOptResume = 4,
    kOptCancel = 5,
    kOptNothing = 6,
    kOptComplete = 7,
    kOptPause = 8,
    kOptOpenShareAudio = 9,
    kOptCloseShareAudio = 10,
  };
  // The recording's mode (router parameter "mode").
  static constexpr int32_t kModeScreenAndHead = BottomBarMediaSwitches::kModeScreenAndHead;
  static constexpr int32_t kModeOnlyScreen = BottomBarMediaSwitches::kModeOnlyScreen;
  static constexpr int32_t kModeOnlyCamera = BottomBarMediaSwitches::kModeOnlyCamera;
  // Cancel alert buttons.
  static constexpr int32_t kCancelAlertContinue = BottomBarConfirmations::kCancelAlertContinue;
  static constexpr int32_t kCancelAlertDiscard = BottomBarConfirmations::kCancelAlertDiscard;

  static constexpr int64_t kNarrowMs = BottomBarNarrowTimers::kNarrowMs;
  static constexpr int64_t kLeaveMs = BottomBarNarrowTimers::kLeaveMs;
  static constexpr int64_t kGuideMs = BottomBarToolbarGuide::kGuideMs;
  static constexpr int64_t kVolumeMs = BottomBarVolumeMonitor::kVolumeMs;
  static constexpr int32_t kMutedSpeechToastMs = BottomBarVolumeMonitor::kMutedSpeechToastMs;
  static constexpr int32_t kMutedSpeechToastPosition = BottomBarVolumeMonitor::kMutedSpeechToastPosition;
  static constexpr const char* kGuideShownKey = BottomBarToolbarGuide::kGuideShownKey;

  static constexpr char kBarRoute[] = "kovani://page/quick_record/bottom_bar";
  static constexpr const char* kEndingRoute = BottomBarRecordingEnding::kEndingRoute;
  static constexpr const char* kCountDownRoute = BottomBarRecordingEnding::kCountDownRoute;
  static constexpr const char* kCountDownMaskRoute = BottomBarRecordingEnding::kCountDownMaskRoute;
  static constexpr const char* kTrackerRoute = BottomBarRecordingEnding::kTrackerRoute;
  static constexpr char kCameraPreviewRoute[] = "kovani://page/quick_record/camera_preview";
  static constexpr char kSpaceRunoutRoute[] = "kovani://page/quick_record/space_runout_counting";
  static constexpr char kNoticeRoute[] = "kovani://page/quick_record/record_notice_view";

  // Events of models this bar follows that have no home in a model class of this module.
  static constexpr int32_t kSessionShowBarEvent = 1170579597;  // {"show"}
  static constexpr int32_t kSessionControlRequestEvent = 289723693;  // {"opt_type", "opt_mode"}
  static constexpr int32_t kSessionResumedEvent = 539133529;
  static constexpr int32_t kSessionPausedChangedEvent = 815060199;  // {"paused"}
  static constexpr int32_t kSessionWindowMinimizedInStartEvent = 779639744;
  static constexpr int32_t kCameraClosedEvent = 1144459780;  // {"only_close_camera"}
  static constexpr int32_t kCameraDeviceChangedEvent = 185983762;  // {"device_id"}
  // The host application (model 502): may it quit, and is the microphone in use. The payload's
  // "result" points at a Variant that receives the answer.
  static constexpr int32_t kHostApplicationModelId = BottomBarModels::kHostApplicationModelId;
  static constexpr int32_t kIsMicDeviceUsedEvent = 128;
  static constexpr int32_t kCheckAppCanTerminateEvent = 143;

  using Models = BottomBarModels;

  explicit QuickRecordBottomBarViewModel(Models models = {});
  ~QuickRecordBottomBarViewModel() override;

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  // "59:59" below an hour, "01:00:00" from one hour on: two digits a field.
  static std::string FormatDuration(uint32_t seconds) { return BottomBarRecordingState::FormatDuration(seconds); }

  bool paused() const { return state_.paused(); }
  bool narrow() const { return narrow_timers_.narrow(); }
  bool recording_started() const { return state_.recording_started(); }
  bool window_record_paused() const { return state_.window_record_paused(); }
  bool mic_open() const { return switches_.mic_open(); }
  bool camera_open() const { return switches_.camera_open(); }
  bool share_audio_open() const { return switches_.share_audio_open(); }
  int32_t mode() const { return switches_.mode(); }
  double dpi_scale() const { return dpi_scale_; }
  int32_t cancel_alert_id() const { return confirmations_->cancel_alert_id(); }
  int32_t exit_alert_id() const { return confirmations_->exit_alert_id(); }
  const MutedSpeechDetector& muted_speech() const { return volume_.muted_speech(); }

 private:
  void CatchUpWithStartedRecording();
  void Subscribe();
  void SubscribeSession();
  void SubscribeHost();
  // Follows `event_id` of `model` with `handler` while this bar lives.
  void Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
              void (QuickRecordBottomBarViewModel::*handler)(const base::variant::Variant&));
  // ... with `handler` of one of this bar's parts.
  template <typename Part>
  void Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
              Part QuickRecordBottomBarViewModel::*part, void (Part::*handler)(const base::variant::Variant&));

  // Buttons.
  void HandleOptBottomBarButton(const base::variant::Variant& payload);
  void HandlePauseRecord();
  void HandleResumeRecord();
  void HandleFinishButton();
  void HandleKeyPressed(const base::variant::Variant& payload);

  // Ending the recording.
  void HandleCompleteRecord(bool open_complete_url);
  void CancelRecording();
  void CloseBar();

  // Model events.
  void OnEventQuickRecordStarted(const base::variant::Variant& payload);
  void OnEventQuickRecordAlertError(const base::variant::Variant& payload);
  void OnEventShowBar(const base::variant::Variant& payload);
  void OnEventControlRequest(const base::variant::Variant& payload);
  void OnEventResumedElsewhere(const base::variant::Variant& payload);
  void OnEventPausedChanged(const base::variant::Variant& payload);
  void OnEventCancelForWindowMinimizedInStart(const base::variant::Variant& payload);
  void OnShortcutKeyEventStopRecord(const base::variant::Variant& payload);
  void OnShortcutKeyEventResumeRecord(const base::variant::Variant& payload);
  void OnShortcutKeyEventPauseRecord(const base::variant::Variant& payload);
  void OnEventQuickRecordSpaceRunOutUpdated(const base::variant::Variant& payload);
  void OnEventPausedBySpace(const base::variant::Variant& payload);
  void OnPerformanceBusyAlert(const base::variant::Variant& payload);
  void OnEventQuickRecordForceCancellation(const base::variant::Variant& payload);
  void OnEventTranscodeRecordUploadFileComplete(const base::variant::Variant& payload);
  void OnEventShareWindowStateChange(const base::variant::Variant& payload);
  void OnEventMonitorListChanged(const base::variant::Variant& payload);
  void OnEventMicDefaultDeviceChanged(const base::variant::Variant& payload);
  void OnEventMicAdd(const base::variant::Variant& payload);
  void OnEventIsMicDeviceUsed(const base::variant::Variant& payload);
  void OnEventCheckAppCanTerminate(const base::variant::Variant& payload);

  void OnWindowRecordPause();
  void OnWindowRecordResume();
  void SendPause();
  void SetPaused(bool paused, const char* report_state);
  void StopTimers();

  void PublishTip(const std::string& tip);
  void PublishUiData();
  void UpdateViewPosition();

  Models models_;
  ModelSubscriptions subscriptions_;
  // The parts below publish through this bar and die with it; their callbacks reach it by `this`.
  BottomBarRecordingState state_;
  BottomBarMediaSwitches switches_;
  BottomBarNarrowTimers narrow_timers_;
  BottomBarToolbarGuide guide_;
  BottomBarVolumeMonitor volume_;
  BottomBarRecordingEnding ending_;
  // Shared: an alert answered after the bar is gone finds it expired.
  std::shared_ptr<BottomBarConfirmations> confirmations_;

  bool user_click_complete_button_ = false;
  bool shown_ = false;
  double dpi_scale_ = 1.0;
};

}  // namespace quick_record
