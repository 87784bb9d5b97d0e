#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/framework/view_model/stateful_view_model.h"
#include "host/sdk/kovani/module_extension.h"
#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/view_model/new_recording/quick_record_count_down_flow.h"
#include "module/quick_record/view_model/new_recording/quick_record_select_mode.h"

namespace quick_record {

class QuickRecordPageState;
class QuickRecordSpaceCheck;
class QuickRecordStarter;

// The new-recording page: whether a recording may start (cloud switch, machine, meeting, space),
// the space notices, the start in the chosen mode on the chosen screen or window through the
// 3-2-1 count-down into the control bar, and the recording and upload state on the page.
//
// What a view reads (properties, each a map):
//   kPropertyRecordState     the record button: time text, recording, button and shortcut texts,
//                            whether recording is enabled (the kRecordState* keys)
//   kPropertySpaceNotice     the space notice (QuickRecordSpaceNotice keys) when space is short
//   kPropertyUploadState     {kUploadStatus, kUploadProgress, "uploaded_size", "total_size", "record_id",
//                            "jump_url", "instance_id"} of the recording being uploaded (status 1
//                            uploading, 2 uploaded, 3 failed); while it records, the total is the
//                            bytes muxed so far
//   kPropertyCountDown       {"count_down_running"}: true from the count-down's start to its result
//                            (in the camera modes the count-down waits for the camera window's
//                            opening animation, QuickRecordCountDownFlow)
//   kPropertySelectScreenPanel / kPropertyCameraPreviewPanel  {"show"}: the panels of the mode,
//                            shown only while the settings panel is (it tells the session model)
//   kPropertyStartFromShortcut {"from_shortcut": true} when the start shortcut started a recording
//   kPropertyMeetingState    {"is_in_meeting"};  kPropertyHomeWindowMinimize {"minimize"}
//   kPropertySelectDialogUi  the dialog texts (answer to kActionGetSelectDialogUiData)
//   kPropertyStartResult     {"success", "message"} of each start that was tried
// What a view sends (actions; payloads are maps, "statistics_report_id" is reported first):
//   kActionStartRecord {"subject"?, "from_space_dialog"?, "from_shortcut"?}, kActionCheckSpaceInfo
//   {kCheckScene}, kActionSelectWindow {"window_id", "window_name"}, kActionSetDefaultScreen
//   {"default_monitor_uuid"} (or inside "view_params"), kActionClickCancelSelect,
//   kActionQuickRecordButtonClick, kActionGotoUpgradeUrl {"is_jump_browser", "jump_url"} ...
// The mode, camera and microphone are chosen on the settings panel (QuickRecordRecordSettingViewModel).
//
// The page's parts: QuickRecordSpaceCheck (space and notice), QuickRecordStarter (the start in a
// mode), QuickRecordCountDownFlow (count-down to control bar), QuickRecordPageState (what the page
// publishes); this class routes actions and events to them.
//
// Main thread. Subscriptions are made on attach and dropped on detach.
class QuickRecordViewModel : public kovani::ExtensionViewModelT<framework::StatefulViewModel> {
 public:
  // Actions.
  static constexpr int kActionStartRecord = 0x54956;
  static constexpr int kActionCheckSpaceInfo = 0x65bf0;
  static constexpr int kActionUpdateCanStartRecordState = 0xb866c;  // {"can_start_record"}
  static constexpr int kActionGotoUpgradeUrl = 0xaf8bc;
  static constexpr int kActionGoToUpdateUrl = 0x3808d;
  static constexpr int kActionClickCancelSelect = 0x28b20;
  static constexpr int kActionSetDefaultScreen = 0x281fe;
  static constexpr int kActionGetSelectDialogUiData = 0xef0f2;
  static constexpr int kActionNotificationsClick = 0xa7ea7;
  static constexpr int kActionInternalVideo = 0x4b86a;  // {"internal_video"}
  static constexpr int kActionQuickRecordButtonClick = 0x8444f;
  static constexpr int kActionRefreshPage = 0x8f689;  // publishes the record and upload state again
  static constexpr int kActionSelectWindow = 0xc33ba;

  // Properties.
  static constexpr int32_t kPropertyHomeWindowMinimize = 1015870;
  static constexpr int32_t kPropertyMeetingState = 435051;
  static constexpr int32_t kPropertySelectScreenPanel = 272567;
  static constexpr int32_t kPropertyCameraPreviewPanel = 700119;
  static constexpr int32_t kPropertyStartFromShortcut = 108835;
  static constexpr int32_t kPropertyCountDown = 335950;
  static constexpr int32_t kPropertyUploadState = 978340;
  static constexpr int32_t kPropertyRecordState = 384561;
  // Ids of this page's own choosing: the space notice, the dialog texts and the start result.
  static constexpr int32_t kPropertySpaceNotice = 384562;
  static constexpr int32_t kPropertySelectDialogUi = 384563;
  static constexpr int32_t kPropertyStartResult = 384564;

  static constexpr char kRecordTimeText[] = "QuickRecordUpdateQuickRecordStateFields_kStringRecordTimeText";
  static constexpr char kIsQuickRecording[] = "QuickRecordUpdateQuickRecordStateFields_kBooleanIsQuickRecording";
  static constexpr char kBtnText[] = "QuickRecordUpdateQuickRecordStateFields_kStringBtnText";
  static constexpr char kShortcutText[] = "QuickRecordUpdateQuickRecordStateFields_kStringShortcutText";
  static constexpr char kRecordEnable[] = "QuickRecordUpdateQuickRecordStateFields_kBooleanRecordEnable";
  static constexpr char kUploadStatus[] = "QuickRecordUpdateUploadingStateFields_kIntegerUploadStatus";
  static constexpr char kUploadProgress[] = "QuickRecordUpdateUploadingStateFields_kDoubleUploadProgress";

  // Where the recording may be switched off or the space bought (host configuration).
  static constexpr char kAbilitySection[] = "quick_record_ability";
  static constexpr char kCloudRecordSwitchKey[] = "cloud_record_switch";  // default on
  static constexpr char kBuyUrlKey[] = "space_buy_url";

  // `QuickRecordModel::SelectModeType` values.
  static constexpr int32_t kModeScreenAndHead = QuickRecordSelectMode::kScreenAndHead;
  static constexpr int32_t kModeScreen = QuickRecordSelectMode::kScreen;
  static constexpr int32_t kModeHead = QuickRecordSelectMode::kHead;

  // The models it drives; each null one is the module's own.
  struct Models {
    std::shared_ptr<framework::ModelImpl> session;
    std::shared_ptr<framework::ModelImpl> recorder;
    std::shared_ptr<framework::ModelImpl> space;
    std::shared_ptr<framework::ModelImpl> time;
    std::shared_ptr<framework::ModelImpl> home;
    std::shared_ptr<framework::ModelImpl> shortcut;
    std::shared_ptr<framework::ModelImpl> upload;
    std::shared_ptr<framework::ModelImpl> screen_selector;
    std::shared_ptr<framework::ModelImpl> camera;  // the camera window's model, when there is one
  };

  explicit QuickRecordViewModel(Models models = {});
  ~QuickRecordViewModel() override;

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  // Model and host events.
  void OnRecordStateChanged(const base::variant::Variant& payload);
  void OnUpdateQuickRecordTotalTime(const base::variant::Variant& payload);
  void OnQuickRecordCloudSpaceUpdatedEvent(const base::variant::Variant& payload);
  void OnUploadingStatusUpdatedEvent(const base::variant::Variant& payload);
  void OnEventRecordModeChanged(const base::variant::Variant& payload);
  void OnEventSettingPanelShownChanged(const base::variant::Variant& payload);  // {"show"}
  void OnShortcutKeyEventStartRecord(const base::variant::Variant& payload);
  // The camera window finished its opening animation: the count-down waited for it.
  void OnEventRunPortraitDefaultAnimationOver(const base::variant::Variant& payload);
  void OnMeetingStateUpdated(const base::variant::Variant& payload);  // {"is_in_meeting"}
  void OnEventUpdateHomeWindowMinimizeState(const base::variant::Variant& payload);  // {"minimize"}

  // Checks the space for `check_scene`; publishes the notice when space is short. Returns the space
  // state (QuickRecordSpaceNotice), kSpaceEnough when the space is unknown or infinite.
  int32_t HandleCheckSpaceInfo(int32_t check_scene);
  bool GetRecordEnable() const;
  int32_t space_state() const;
  bool count_down_running() const;

 private:
  void ResolveModels();
  void Subscribe();
  bool InMeeting() const;
  bool IsRecordingOrCounting() const;
  int32_t SelectedMode() const;

  void HandleStartRecord(const base::variant::Variant& payload);
  void ReportStart(bool success, const std::string& message);
  void HandleSetDefaultScreen(const base::variant::Variant& payload);
  void HandleSelectWindow(const base::variant::Variant& payload);
  void HandleGotoUpgradeUrl(const base::variant::Variant& payload);
  void HandleGoToUpdateUrl();
  void HandleClickCancelSelect();
  void HandleQuickRecordButtonClick();
  void HandleGetQuickRecordSelectDialogUiData();
  void PublishModePanels(int32_t mode);
  void UpdateRecordStateToUi();

  Models models_;
  ModelSubscriptions subscriptions_;
  bool can_start_record_ = true;
  bool is_in_meeting_ = false;
  const std::unique_ptr<QuickRecordPageState> page_state_;
  const std::unique_ptr<QuickRecordSpaceCheck> space_check_;
  // Made with the count-down flow once the models are known.
  std::unique_ptr<QuickRecordStarter> starter_;
  // From the start to the control bar.
  std::shared_ptr<QuickRecordCountDownFlow> count_down_flow_;
};

}  // namespace quick_record
