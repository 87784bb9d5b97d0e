#include "host/app/string_table.h"

#include <utility>

#include "host/framework/module/resource.h"

namespace host::strings {

void LoadDefaultStringTable() {
  static const std::pair<uint32_t, const char*> kTexts[] = {
      {kQuickRecordAllRecordsTab, "All"},
      {kQuickRecordRecentRecordsTab, "Recent"},
      {kQuickRecordMyRecordsTab, "My recordings"},
      {kQuickRecordNotificationTab, "Notifications"},
      {kQuickRecordScreenTitle, "Screen "},
      {kQuickRecordCountDownCancel, "Cancel"},
      {kBottomBarCancelTooltip, "Cancel recording"},
      {kBottomBarCompleteButton, "Finish"},
      {kBottomBarPauseTooltip, "Pause recording"},
      {kBottomBarResumeTooltip, "Resume recording"},
      {kBottomBarTimerPaused, "Paused"},
      {kBottomBarMuteMicTooltip, "Mute microphone"},
      {kBottomBarUnmuteMicTooltip, "Unmute microphone"},
      {kBottomBarMicUnopenToast, "You seem to be speaking, but your microphone is off."},
      {kBottomBarOpenShareAudioTooltip, "Record system sound"},
      {kBottomBarCloseShareAudioTooltip, "Stop recording system sound"},
      {kBottomBarDisableShareAudioTooltip, "System sound can't be recorded"},
      {kBottomBarOpenCameraTooltip, "Turn camera on"},
      {kBottomBarCloseCameraTooltip, "Turn camera off"},
      {kBottomBarBookTooltip, "Help"},
      {kBottomBarGuideTips, "Pause, finish or cancel your recording here. The bar folds away when you leave it."},
      {kBottomBarWindowMinimizedTip, "The recorded window is minimized. Restore it to resume recording."},
      {kBottomBarCancelAlertTitle, "Cancel this recording?"},
      {kBottomBarCancelAlertContent, "What was recorded so far will be discarded."},
      {kBottomBarCancelAlertContinue, "Continue recording"},
      {kBottomBarCancelAlertCancel, "Discard"},
      {kBottomBarExitAlertTitle, "A recording is running"},
      {kBottomBarExitAlertContent, "Finish or cancel the recording before you quit."},
      {kBottomBarExitAlertPositive, "OK"},
      {kBottomBarExitAlertNegative, "Back to recording"},
      {kQuickRecordHdBusyDegraded,
       "Your computer is busy, so the recording's frame rate was lowered to keep it smooth."},
      {kQuickRecordHdBusyUpgraded, "Your computer has room again: the recording's frame rate was raised."},
      {kQuickRecordAppBusy, "Recording is using much of your computer's processor. Close other programs for a "
                            "smoother recording."},
      {kQuickRecordTrayExit, "Quit"},
      {kQuickRecordTrayHover, "Quick record"},
      {kQuickRecordPageTitle, "New recording"},
      {kQuickRecordPageCancel, "Cancel"},
      {kQuickRecordPageNextStep, "Next"},
      {kQuickRecordPageStartRecord, "Start recording"},
      {kQuickRecordPageSwitchScreen, "Screen"},
      {kQuickRecordPageSwitchWindow, "Window"},
      {kQuickRecordPageNoWindowTip, "No window can be recorded right now."},
      {kQuickRecordPageRecording, "Recording"},
      {kQuickRecordPageInMeetingTip, "You can't start a recording while you are in a meeting."},
      {kQuickRecordDefaultSubject, "Quick recording "},
      {kQuickRecordSpaceFewTip, "Your cloud space is almost full."},
      {kQuickRecordSpaceNoneTip, "Your cloud space is full: a new recording can't be saved."},
      {kQuickRecordSpaceUpgradeContent, "Upgrade to get more cloud space."},
      {kQuickRecordSpaceUpgradeButton, "Upgrade"},
      {kQuickRecordSpaceStartAnyway, "Record anyway"},
      {kQuickRecordSettingTitle, "Recording settings"},
      {kQuickRecordSettingModeSubtitle, "What to record"},
      {kQuickRecordSettingDeviceSubtitle, "Camera and microphone"},
      {kQuickRecordSettingScreenAndHead, "Screen and camera"},
      {kQuickRecordSettingScreen, "Screen only"},
      {kQuickRecordSettingHead, "Camera only"},
      {kQuickRecordSettingFullScreen, "Whole screen"},
      {kQuickRecordSettingFullWindow, "One window"},
      {kQuickRecordSettingScreenAndHeadTip, "Records your screen with your camera in a corner."},
      {kQuickRecordSettingScreenTip, "Records only your screen."},
      {kQuickRecordSettingHeadTip, "Records only your camera."},
      {kQuickRecordSettingDeviceOff, "Off"},
      {kRecordErrorSavePathTitle, "Can't save the recording"},
      {kRecordErrorSavePathMsg,
       "The folder for recordings can't be written to. Choose another folder in the recording settings and try "
       "again."},
      {kRecordErrorSavePathOperation, "Choose folder"},
      {kRecordErrorNoDiskAtStartTitle, "Not enough disk space"},
      {kRecordErrorNoDiskAtStartMsg,
       "Recording needs more than 500 MB free on the disk that holds the recordings folder. Free some space or "
       "choose another folder, then try again."},
      {kRecordErrorNoDiskAtStartOperation, "OK"},
      {kRecordErrorDiskFullTitle, "Recording stopped: the disk is full"},
      {kRecordErrorDiskFullMsg,
       "The disk that holds the recordings folder ran low on space, so the recording was stopped. What was "
       "recorded until then is kept. Free some space before you record again."},
      {kRecordErrorDiskFullOperation, "OK"},
      {kRecordErrorCameraTitle, "Camera unavailable"},
      {kRecordErrorCameraMsg,
       "The camera could not be opened. Check that it is connected and that no other application is using it, "
       "then try again."},
      {kRecordErrorCameraOperation, "Try again"},
      {kRecordErrorMicrophoneTitle, "Microphone unavailable"},
      {kRecordErrorMicrophoneMsg,
       "The microphone could not be opened. Check that it is connected and allowed in the system's sound "
       "settings, then try again."},
      {kRecordErrorMicrophoneOperation, "Try again"},
      {kRecordErrorScreenTitle, "The screen can't be captured"},
      {kRecordErrorScreenMsg,
       "The screen or window you chose could not be captured. Check that the window is still open and the "
       "display is available, then try again."},
      {kRecordErrorScreenOperation, "Try again"},
  };
  auto* resource = framework::Resource::GetInstance();
  for (const auto& [id, text] : kTexts) resource->SetString(id, text);
}

}  // namespace host::strings
