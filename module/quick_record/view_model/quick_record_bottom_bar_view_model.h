#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "host/framework/view_model/stateful_view_model.h"
#include "host/sdk/kovani/module_extension.h"
#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/view_model/muted_speech_detector.h"

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
  static constexpr int32_t kPropertyDuration = 446425;
  static constexpr int32_t kPropertyPaused = 751408;
  static constexpr int32_t kPropertyNarrow = 768898;
  static constexpr int32_t kPropertyGuide = 649065;
  static constexpr int32_t kPropertyTip = 361182;
  static constexpr int32_t kPropertyHasRecordId = 578240;
  static constexpr int32_t kPropertyShow = 952380;
  static constexpr int32_t kPropertyUiData = 341013;
  static constexpr int32_t kPropertyPosition = 958218;
  static constexpr int32_t kPropertyCamera = 935747;
  static constexpr int32_t kPropertyShareAudio = 181419;
  static constexpr int32_t kPropertyVolume = 604968;
  static constexpr int32_t kPropertyShowView = 346271;
  static constexpr int32_t kPropertyCameraAvailable = 633809;
  static constexpr int32_t kPropertyMicrophone = 676688;

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
  static constexpr int32_t kModeScreenAndHead = 1;
  static constexpr int32_t kModeOnlyScreen = 2;
  static constexpr int32_t kModeOnlyCamera = 3;
  // Cancel alert buttons.
  static constexpr int32_t kCancelAlertContinue = 0;
  static constexpr int32_t kCancelAlertDiscard = 1;

  static constexpr int64_t kNarrowMs = 3000;
  static constexpr int64_t kLeaveMs = 500;
  static constexpr int64_t kGuideMs = 8000;
  static constexpr int64_t kVolumeMs = 100;
  static constexpr int32_t kMutedSpeechToastMs = 2000;
  static constexpr int32_t kMutedSpeechToastPosition = 2;
  static constexpr char kGuideShownKey[] = "quick_record.toolbar_guide.tips";

  static constexpr char kBarRoute[] = "kovani://page/quick_record/bottom_bar";
  static constexpr char kEndingRoute[] = "kovani://page/quick_record/record_ending_view";
  static constexpr char kCountDownRoute[] = "kovani://page/quick_record/count_down";
  static constexpr char kCountDownMaskRoute[] = "kovani://page/quick_record/count_down_mask";
  static constexpr char kTrackerRoute[] = "kovani://page/quick_record/tracker";
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
  static constexpr int32_t kHostApplicationModelId = 502;
  static constexpr int32_t kIsMicDeviceUsedEvent = 128;
  static constexpr int32_t kCheckAppCanTerminateEvent = 143;

  // The models the bar talks to; any left null is looked up on attach (the module's own and the
  // host's), and a model that does not exist is simply not followed.
  struct Models {
    std::shared_ptr<framework::ModelImpl> session;
    std::shared_ptr<framework::ModelImpl> recorder;
    std::shared_ptr<framework::ModelImpl> time;
    std::shared_ptr<framework::ModelImpl> space;
    std::shared_ptr<framework::ModelImpl> shortcut;
    std::shared_ptr<framework::ModelImpl> performance;
    std::shared_ptr<framework::ModelImpl> upload;
    std::shared_ptr<framework::ModelImpl> camera;
    std::shared_ptr<framework::ModelImpl> recording_service;
    std::shared_ptr<framework::ModelImpl> window_state;
    std::shared_ptr<framework::ModelImpl> devices;
    std::shared_ptr<framework::ModelImpl> application;
  };

  explicit QuickRecordBottomBarViewModel(Models models = {});
  ~QuickRecordBottomBarViewModel() override;

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  // "59:59" below an hour, "01:00:00" from one hour on: two digits a field.
  static std::string FormatDuration(uint32_t seconds);

  bool paused() const { return paused_; }
  bool narrow() const { return narrow_; }
  bool recording_started() const { return recording_started_; }
  bool window_record_paused() const { return window_record_paused_; }
  bool mic_open() const { return mic_open_; }
  bool camera_open() const { return camera_open_; }
  bool share_audio_open() const { return share_audio_open_; }
  int32_t mode() const { return mode_; }
  double dpi_scale() const { return dpi_scale_; }
  int32_t cancel_alert_id() const { return cancel_alert_id_; }
  int32_t exit_alert_id() const { return exit_alert_id_; }
  const MutedSpeechDetector& muted_speech() const { return muted_speech_; }

 private:
  void ResolveModels();
  void ReadRouterParams();
  void CatchUpWithStartedRecording();
  void Subscribe();
  void SubscribeSession();
  void SubscribeHost();
  // Follows `event_id` of `model` with `handler` while this bar lives.
  void Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
              void (QuickRecordBottomBarViewModel::*handler)(const base::variant::Variant&));

  // Buttons.
  void HandleOptBottomBarButton(const base::variant::Variant& payload);
  void HandleOpenMic();
  void HandleCloseMic();
  void HandleOpenCamera();
  void HandleCloseCamera();
  void HandlePauseRecord();
  void HandleResumeRecord();
  void HandleOpenShareAudio();
  void HandleCloseShareAudio();
  void HandleCancelButton();
  void HandleFinishButton();
  void HandleHoverBottomBar(const base::variant::Variant* payload);
  void HandleKeyPressed(const base::variant::Variant& payload);

  // Ending the recording.
  void HandleCompleteRecord(bool open_complete_url);
  void CancelRecording();
  void OnCancelAlertAnswered(int32_t button);
  void ClearQuickRecord();
  void ShowEndingView();
  void CloseBar();
  std::string CurrentRecordId() const;
  std::string GetRecordCompleteUrl() const;

  // Model events.
  void OnEventQuickRecordStarted(const base::variant::Variant& payload);
  void OnEventQuickRecordAlertError(const base::variant::Variant& payload);
  void OnEventShowBar(const base::variant::Variant& payload);
  void OnEventControlRequest(const base::variant::Variant& payload);
  void OnEventResumedElsewhere(const base::variant::Variant& payload);
  void OnEventPausedChanged(const base::variant::Variant& payload);
  void OnEventCancelForWindowMinimizedInStart(const base::variant::Variant& payload);
  void OnEventCameraClosed(const base::variant::Variant& payload);
  void OnEventCameraDeviceChanged(const base::variant::Variant& payload);
  void OnShortcutKeyEventStopRecord(const base::variant::Variant& payload);
  void OnShortcutKeyEventResumeRecord(const base::variant::Variant& payload);
  void OnShortcutKeyEventPauseRecord(const base::variant::Variant& payload);
  void OnEventQuickRecordSpaceRunOutUpdated(const base::variant::Variant& payload);
  void OnEventPausedBySpace(const base::variant::Variant& payload);
  void OnUpdateQuickRecordTotalTime(const base::variant::Variant& payload);
  void OnPerformanceBusyAlert(const base::variant::Variant& payload);
  void OnEventQuickRecordForceCancellation(const base::variant::Variant& payload);
  void OnEventTranscodeRecordUploadFileComplete(const base::variant::Variant& payload);
  void OnEventShareWindowStateChange(const base::variant::Variant& payload);
  void OnEventMonitorListChanged(const base::variant::Variant& payload);
  void OnEventCameraDefaultDeviceChanged(const base::variant::Variant& payload);
  void OnEventMicDefaultDeviceChanged(const base::variant::Variant& payload);
  void OnEventMicAdd(const base::variant::Variant& payload);
  void OnEventIsMicDeviceUsed(const base::variant::Variant& payload);
  void OnEventCheckAppCanTerminate(const base::variant::Variant& payload);

  void ShowRequestErrorAlert(const base::variant::Variant& error);
  void ShowExitConfirmation();
  void OnWindowRecordPause();
  void OnWindowRecordResume();
  void SendPause();
  void SetPaused(bool paused, const char* report_state);

  // Narrow and expand.
  void StartNarrowTimer();
  void OnNarrowTimerExpired();
  void StartLeaveTimer();
  void OnLeaveTimerExpired();
  void StopNarrowTimers();
  void SetNarrow(bool narrow);
  void ShowToolbarGuide();
  void StopGuideTimer();
  void SampleVolume();
  void SpeakingIntoMutedMic(int32_t volume);
  std::shared_ptr<base::threading::Timer> MakeTimer(void (QuickRecordBottomBarViewModel::*task)());
  void StopTimers();

  // Publishing.
  void PublishDuration();
  void PublishTip(const std::string& tip);
  void PublishUiData();
  void PublishMicrophone();
  void PublishCamera();
  void PublishShareAudio();
  void UpdateViewPosition();
  void UpdateDeviceAvailability();
  bool DeviceListHasAny(int32_t method_id) const;

  Models models_;
  ModelSubscriptions subscriptions_;

  int32_t mode_ = kModeOnlyScreen;
  std::string camera_device_id_;
  std::string record_id_;
  bool mic_open_ = true;
  bool mic_exists_ = false;
  bool camera_exists_ = false;
  bool share_audio_open_ = false;
  bool camera_open_ = false;
  bool recording_started_ = false;
  bool paused_ = false;
  // The recorded window is minimized: the recording waits for it, whatever the user presses.
  bool window_record_paused_ = false;
  bool narrow_ = false;
  bool user_click_complete_button_ = false;
  bool guide_shown_ = false;
  bool shown_ = false;
  double dpi_scale_ = 1.0;
  uint32_t elapsed_seconds_ = 0;
  // The level last published; the recorder is asked every 100 ms but the view hears of changes.
  int32_t volume_ = -1;
  MutedSpeechDetector muted_speech_;
  int32_t cancel_alert_id_ = 0;
  int32_t exit_alert_id_ = 0;

  std::shared_ptr<base::threading::Timer> narrow_timer_;
  std::shared_ptr<base::threading::Timer> leave_timer_;
  std::shared_ptr<base::threading::Timer> guide_timer_;
  std::shared_ptr<base::threading::Timer> volume_timer_;
};

}  // namespace quick_record
