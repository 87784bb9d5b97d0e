#pragma once

#include <cstdint>

// Ids of the host string table entries that modules show. Texts come from the host, never from a
// module, so that one table holds every language.
namespace host::strings {

constexpr uint32_t kQuickRecordAllRecordsTab = 0x5e1f2a01;
constexpr uint32_t kQuickRecordRecentRecordsTab = 0x5e1f2a02;
constexpr uint32_t kQuickRecordMyRecordsTab = 0x5e1f2a03;
constexpr uint32_t kQuickRecordNotificationTab = 0x5e1f2a04;
// Followed by the screen's 1-based number.
constexpr uint32_t kQuickRecordScreenTitle = 0x5e1f2a05;

constexpr uint32_t kQuickRecordCountDownCancel = 0x5e1f2a06;

// The control bar shown while recording: button labels and tooltips, the toolbar guide, the
// tips and toasts it shows, and its two confirmations (cancelling the recording, quitting while
// recording).
constexpr uint32_t kBottomBarCancelTooltip = 0x5e1f2d01;
constexpr uint32_t kBottomBarCompleteButton = 0x5e1f2d02;
constexpr uint32_t kBottomBarPauseTooltip = 0x5e1f2d03;
constexpr uint32_t kBottomBarResumeTooltip = 0x5e1f2d04;
constexpr uint32_t kBottomBarTimerPaused = 0x5e1f2d05;
constexpr uint32_t kBottomBarMuteMicTooltip = 0x5e1f2d06;
constexpr uint32_t kBottomBarUnmuteMicTooltip = 0x5e1f2d07;
constexpr uint32_t kBottomBarMicUnopenToast = 0x5e1f2d08;
constexpr uint32_t kBottomBarOpenShareAudioTooltip = 0x5e1f2d09;
constexpr uint32_t kBottomBarCloseShareAudioTooltip = 0x5e1f2d0a;
constexpr uint32_t kBottomBarDisableShareAudioTooltip = 0x5e1f2d0b;
constexpr uint32_t kBottomBarOpenCameraTooltip = 0x5e1f2d0c;
constexpr uint32_t kBottomBarCloseCameraTooltip = 0x5e1f2d0d;
constexpr uint32_t kBottomBarBookTooltip = 0x5e1f2d0e;
constexpr uint32_t kBottomBarGuideTips = 0x5e1f2d0f;
constexpr uint32_t kBottomBarWindowMinimizedTip = 0x5e1f2d10;
constexpr uint32_t kBottomBarCancelAlertTitle = 0x5e1f2d11;
constexpr uint32_t kBottomBarCancelAlertContent = 0x5e1f2d12;
constexpr uint32_t kBottomBarCancelAlertContinue = 0x5e1f2d13;
constexpr uint32_t kBottomBarCancelAlertCancel = 0x5e1f2d14;
constexpr uint32_t kBottomBarExitAlertTitle = 0x5e1f2d15;
constexpr uint32_t kBottomBarExitAlertContent = 0x5e1f2d16;
constexpr uint32_t kBottomBarExitAlertPositive = 0x5e1f2d17;
constexpr uint32_t kBottomBarExitAlertNegative = 0x5e1f2d18;

// Recording errors shown to the user: a title, a message and the label of the button that closes
// the notice, for each recorder error code.
constexpr uint32_t kRecordErrorSavePathTitle = 0x5e1f2b01;  // -3: the save folder can't be written
constexpr uint32_t kRecordErrorSavePathMsg = 0x5e1f2b02;
constexpr uint32_t kRecordErrorSavePathOperation = 0x5e1f2b03;
constexpr uint32_t kRecordErrorNoDiskAtStartTitle = 0x5e1f2b04;  // -9: too little disk to start
constexpr uint32_t kRecordErrorNoDiskAtStartMsg = 0x5e1f2b05;
constexpr uint32_t kRecordErrorNoDiskAtStartOperation = 0x5e1f2b06;
constexpr uint32_t kRecordErrorDiskFullTitle = 0x5e1f2b07;  // -12: the disk filled while recording
constexpr uint32_t kRecordErrorDiskFullMsg = 0x5e1f2b08;
constexpr uint32_t kRecordErrorDiskFullOperation = 0x5e1f2b09;
constexpr uint32_t kRecordErrorCameraTitle = 0x5e1f2b0a;  // -17: the camera can't be opened
constexpr uint32_t kRecordErrorCameraMsg = 0x5e1f2b0b;
constexpr uint32_t kRecordErrorCameraOperation = 0x5e1f2b0c;
constexpr uint32_t kRecordErrorMicrophoneTitle = 0x5e1f2b0d;  // -18: the microphone can't be opened
constexpr uint32_t kRecordErrorMicrophoneMsg = 0x5e1f2b0e;
constexpr uint32_t kRecordErrorMicrophoneOperation = 0x5e1f2b0f;
constexpr uint32_t kRecordErrorScreenTitle = 0x5e1f2b10;  // -19: the screen or window can't be captured
constexpr uint32_t kRecordErrorScreenMsg = 0x5e1f2b11;
constexpr uint32_t kRecordErrorScreenOperation = 0x5e1f2b12;

// The machine is too busy: the recording's frame rate was lowered (then raised again), and the
// application itself uses much of the CPU.
constexpr uint32_t kQuickRecordHdBusyDegraded = 0x5e1f2c01;
constexpr uint32_t kQuickRecordHdBusyUpgraded = 0x5e1f2c02;
constexpr uint32_t kQuickRecordAppBusy = 0x5e1f2c03;
// The tray icon: the exit menu item and the hover text.
constexpr uint32_t kQuickRecordTrayExit = 0x5e1f2c04;
constexpr uint32_t kQuickRecordTrayHover = 0x5e1f2c05;

// The new-recording page: its dialog texts, its record button, and the cloud-space notices shown
// before a start.
constexpr uint32_t kQuickRecordPageTitle = 0x5e1f2d01;
constexpr uint32_t kQuickRecordPageCancel = 0x5e1f2d02;
constexpr uint32_t kQuickRecordPageNextStep = 0x5e1f2d03;
constexpr uint32_t kQuickRecordPageStartRecord = 0x5e1f2d04;
constexpr uint32_t kQuickRecordPageSwitchScreen = 0x5e1f2d05;
constexpr uint32_t kQuickRecordPageSwitchWindow = 0x5e1f2d06;
constexpr uint32_t kQuickRecordPageNoWindowTip = 0x5e1f2d07;
constexpr uint32_t kQuickRecordPageRecording = 0x5e1f2d08;
constexpr uint32_t kQuickRecordPageInMeetingTip = 0x5e1f2d09;
constexpr uint32_t kQuickRecordDefaultSubject = 0x5e1f2d0a;  // followed by the start date and time
constexpr uint32_t kQuickRecordSpaceFewTip = 0x5e1f2d0b;
constexpr uint32_t kQuickRecordSpaceNoneTip = 0x5e1f2d0c;
constexpr uint32_t kQuickRecordSpaceUpgradeContent = 0x5e1f2d0d;
constexpr uint32_t kQuickRecordSpaceUpgradeButton = 0x5e1f2d0e;
constexpr uint32_t kQuickRecordSpaceStartAnyway = 0x5e1f2d0f;
// The record settings panel.
constexpr uint32_t kQuickRecordSettingTitle = 0x5e1f2d10;
constexpr uint32_t kQuickRecordSettingModeSubtitle = 0x5e1f2d11;
constexpr uint32_t kQuickRecordSettingDeviceSubtitle = 0x5e1f2d12;
constexpr uint32_t kQuickRecordSettingScreenAndHead = 0x5e1f2d13;
constexpr uint32_t kQuickRecordSettingScreen = 0x5e1f2d14;
constexpr uint32_t kQuickRecordSettingHead = 0x5e1f2d15;
constexpr uint32_t kQuickRecordSettingFullScreen = 0x5e1f2d16;
constexpr uint32_t kQuickRecordSettingFullWindow = 0x5e1f2d17;
constexpr uint32_t kQuickRecordSettingScreenAndHeadTip = 0x5e1f2d18;
constexpr uint32_t kQuickRecordSettingScreenTip = 0x5e1f2d19;
constexpr uint32_t kQuickRecordSettingHeadTip = 0x5e1f2d1a;
constexpr uint32_t kQuickRecordSettingDeviceOff = 0x5e1f2d1b;  // the list item that turns a device off

// Loads the built-in English texts into framework::Resource.
void LoadDefaultStringTable();

}  // namespace host::strings
