#include "module/quick_record/view_model/new_recording/quick_record_view_model.h"

#include "host/app/device_model.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani/open_web_page.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/kovani_common/web.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_home_model.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/model_call.h"
#include "module/quick_record/view_model/new_recording/quick_record_count_down_flow.h"
#include "module/quick_record/view_model/new_recording/quick_record_page_state.h"
#include "module/quick_record/view_model/new_recording/quick_record_space_check.h"
#include "module/quick_record/view_model/new_recording/quick_record_space_notice.h"
#include "module/quick_record/view_model/new_recording/quick_record_starter.h"
#include "module/quick_record/view_model/record_source_selection.h"

namespace quick_record {

using base::variant::Variant;
using Notice = QuickRecordSpaceNotice;

namespace {

std::string Route(const char* page) { return std::string(kRoutePrefix) + page; }

bool MachineSupportsRecording() {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  return recorder != nullptr;
}

}  // namespace

QuickRecordViewModel::QuickRecordViewModel(Models models)
    : kovani::ExtensionViewModelT<framework::StatefulViewModel>(view_model_id::kQuickRecordViewModel),
      models_(std::move(models)),
      page_state_(std::make_unique<QuickRecordPageState>(
          [this](int32_t property_id, const Variant& value) { Publish(property_id, value); })),
      space_check_(std::make_unique<QuickRecordSpaceCheck>(
          [this](const Variant& notice) { Publish(kPropertySpaceNotice, notice); })) {}

QuickRecordViewModel::~QuickRecordViewModel() = default;

void QuickRecordViewModel::ResolveModels() {
  auto resolve = [](std::shared_ptr<framework::ModelImpl>& model, int32_t id) {
    if (!model) model = ModuleModelOf(id);
  };
  resolve(models_.session, model_id::kQuickRecordModel);
  resolve(models_.recorder, model_id::kQuickRecordRecorderModel);
  resolve(models_.space, model_id::kQuickRecordSpaceModel);
  resolve(models_.time, model_id::kQuickRecordTimeModel);
  resolve(models_.home, model_id::kQuickRecordHomeModel);
  resolve(models_.shortcut, model_id::kQuickRecordShortcutModel);
  resolve(models_.upload, model_id::kQuickRecordUploadModel);
  resolve(models_.screen_selector, model_id::kScreenSelectorModel);
  resolve(models_.camera, model_id::kMeetlogCameraModel);
  if (count_down_flow_) return;
  starter_ = std::make_unique<QuickRecordStarter>(
      QuickRecordStarter::Models{models_.session, models_.recorder, models_.screen_selector});
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordViewModel>(weak.lock()); };
  QuickRecordCountDownFlow::Listener listener;
  listener.on_running = [self_of](bool running) {
    if (auto self = self_of()) self->page_state_->PublishCountDown(running);
  };
  listener.on_cancelled = [self_of](int32_t mode) {
    if (auto self = self_of()) self->PublishModePanels(mode);
  };
  count_down_flow_ = std::make_shared<QuickRecordCountDownFlow>(
      QuickRecordCountDownFlow::Models{models_.session, models_.recorder, models_.camera}, std::move(listener));
}

void QuickRecordViewModel::OnViewAttached() {
  ResolveModels();
  Subscribe();
  // The page is shown: a start shortcut now starts a recording from here.
  if (!CallModel(models_.home, QuickRecordHomeModel::kInvokeGetNewRecordPageState).GetBool("is_new_record_page")) {
    CallModel(models_.home, QuickRecordHomeModel::kInvokeOpenNewRecordPage, Variant::MakeMap());
  }
  is_in_meeting_ = kovani_common::utils::inmeeting::IsInMeeting();
  page_state_->PublishMeeting(is_in_meeting_);
  page_state_->SetRecording(CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeFuncGetRecordState).AsInt32() !=
                            kovanisdk::plugin::kRecordStateStopped);
  UpdateRecordStateToUi();
  OnEventRecordModeChanged(Variant());
  HandleCheckSpaceInfo(Notice::kScenePage);
}

void QuickRecordViewModel::OnViewDetached() { subscriptions_.Clear(); }

void QuickRecordViewModel::Subscribe() {
  subscriptions_.Clear();
  subscriptions_.Follow(models_.recorder, QuickRecordRecorderModel::kEventRecordStateChanged, this,
                        &QuickRecordViewModel::OnRecordStateChanged);
  subscriptions_.Follow(models_.time, QuickRecordTimeModel::kEventRecordTime, this,
                        &QuickRecordViewModel::OnUpdateQuickRecordTotalTime);
  subscriptions_.Follow(models_.space, QuickRecordSpaceModel::kEventCloudSpaceUpdated, this,
                        &QuickRecordViewModel::OnQuickRecordCloudSpaceUpdatedEvent);
  subscriptions_.Follow(models_.upload, QuickRecordUploadModel::kFireTaskUploadStatus, this,
                        &QuickRecordViewModel::OnUploadingStatusUpdatedEvent);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventRecordModeChanged, this,
                        &QuickRecordViewModel::OnEventRecordModeChanged);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventSettingPanelShownChanged, this,
                        &QuickRecordViewModel::OnEventSettingPanelShownChanged);
  subscriptions_.Follow(models_.shortcut, QuickRecordShortcutModel::kEventStartRequested, this,
                        &QuickRecordViewModel::OnShortcutKeyEventStartRecord);
  subscriptions_.Follow(models_.camera, QuickRecordCountDownFlow::kCameraEventPortraitAnimationOver, this,
                        &QuickRecordViewModel::OnEventRunPortraitDefaultAnimationOver);
}

void QuickRecordViewModel::Handle(int action, const Variant* payload) {
  ResolveModels();
  const Variant args = payload ? *payload : Variant::MakeMap();
  switch (action) {
    case kActionStartRecord: HandleStartRecord(args); break;
    case kActionCheckSpaceInfo: HandleCheckSpaceInfo(args.GetInt32(Notice::kCheckScene, Notice::kScenePage)); break;
    case kActionUpdateCanStartRecordState:
      can_start_record_ = args.GetBool("can_start_record", true);
      UpdateRecordStateToUi();
      break;
    case kActionGotoUpgradeUrl: HandleGotoUpgradeUrl(args); break;
    case kActionGoToUpdateUrl: HandleGoToUpdateUrl(); break;
    case kActionClickCancelSelect: HandleClickCancelSelect(); break;
    case kActionSetDefaultScreen: HandleSetDefaultScreen(args); break;
    case kActionGetSelectDialogUiData: HandleGetQuickRecordSelectDialogUiData(); break;
    case kActionNotificationsClick: base::analytics::LogEvent("e#meetlog_mainboard#notifications#click"); break;
    case kActionInternalVideo: KLOG(6) << "internal video entry: " << args.GetBool("internal_video"); break;
    case kActionQuickRecordButtonClick: HandleQuickRecordButtonClick(); break;
    case kActionRefreshPage: UpdateRecordStateToUi(); break;
    case kActionSelectWindow: HandleSelectWindow(args); break;
    default: KLOG(3) << "unknown action " << action;
  }
}

// ---- whether a recording may start ----

bool QuickRecordViewModel::GetRecordEnable() const {
  const bool cloud_record_switch = kovanisdk::utils::config::GetBool(kAbilitySection, kCloudRecordSwitchKey, true);
  const bool machine_support = MachineSupportsRecording();
  const bool in_meeting = InMeeting();
  // The home page's space guide takes the start away while it asks the user to act.
  const bool in_space_guide_disable = !can_start_record_;
  KLOG(6) << "cloud_record_switch" << cloud_record_switch << " machine_support" << machine_support
          << " is_in_meeting_" << in_meeting << " is_in_space_guide_disable_" << in_space_guide_disable;
  return cloud_record_switch && machine_support && !in_meeting && !in_space_guide_disable;
}

bool QuickRecordViewModel::InMeeting() const { return is_in_meeting_ || kovani_common::utils::inmeeting::IsInMeeting(); }

bool QuickRecordViewModel::IsRecordingOrCounting() const {
  return page_state_->recording() || page_state_->count_down_running() ||
         CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeFuncGetRecordState).AsInt32() !=
             kovanisdk::plugin::kRecordStateStopped;
}

int32_t QuickRecordViewModel::SelectedMode() const {
  // Until the settings panel stored a choice the page records the screen only.
  const int32_t mode = CallModel(models_.session, QuickRecordModel::kReadRecordMode).AsInt32();
  return mode == 0 ? kModeScreen : mode;
}

int32_t QuickRecordViewModel::HandleCheckSpaceInfo(int32_t check_scene) {
  return space_check_->Check(models_.space, check_scene);
}

int32_t QuickRecordViewModel::space_state() const { return space_check_->space_state(); }

bool QuickRecordViewModel::count_down_running() const { return page_state_->count_down_running(); }

// ---- the start ----

void QuickRecordViewModel::HandleStartRecord(const Variant& payload) {
  const bool from_space_dialog = payload.GetBool("from_space_dialog");
  if (from_space_dialog) base::analytics::LogEvent("e#meetlog_space_remind_popup#start_recording#click");
  if (IsRecordingOrCounting()) {
    KLOG(4) << "is recording, do not start quick record again";
    ReportStart(false, "recording");
    return;
  }
  if (!GetRecordEnable()) {
    KLOG(4) << "record is not enabled";
    ReportStart(false, InMeeting() ? "in_meeting" : "disabled");
    return;
  }
  // A start answered by the space notice goes on only when the user chose to record anyway and
  // some space is left; a start without space never runs.
  const int32_t scene = payload.GetBool("from_shortcut") ? Notice::kSceneShortcut : Notice::kSceneStartClick;
  const int32_t state = HandleCheckSpaceInfo(scene);
  if (state == Notice::kSpaceNone || (state == Notice::kSpaceFew && !from_space_dialog)) {
    ReportStart(false, state == Notice::kSpaceNone ? "no_space" : "few_space");
    return;
  }
  const int32_t mode = SelectedMode();
  const std::string failure = starter_->Start(mode, payload);
  if (!failure.empty()) {
    ReportStart(false, failure);
    KLOG(1) << "start quick record failed.";
    return;
  }
  ReportStart(true, "");
  count_down_flow_->Start(mode);
}

void QuickRecordViewModel::ReportStart(bool success, const std::string& message) {
  Variant result = Variant::MakeMap();
  result.Set("success", success);
  result.Set("message", message);
  Publish(kPropertyStartResult, result);
}

void QuickRecordViewModel::PublishModePanels(int32_t mode) {
  page_state_->PublishModePanels(mode, CallModel(models_.session, QuickRecordModel::kInvokeGetSettingPanelShown).AsBool());
}

// ---- page actions ----

void QuickRecordViewModel::HandleSetDefaultScreen(const Variant& payload) {
  if (IsRecordingOrCounting()) {
    KLOG(4) << "is recording, do not select default screen";
    return;
  }
  RecordSourceSelection::SelectScreen(models_.session, models_.screen_selector, payload);
}

void QuickRecordViewModel::HandleSelectWindow(const Variant& payload) {
  if (IsRecordingOrCounting()) {
    KLOG(4) << "is recording, do not select window";
    return;
  }
  if (payload.GetUInt64("window_id") == 0) {
    KLOG(3) << "Invalid input param.";
    return;
  }
  Variant selection = payload;
  selection.Set("type", RecordSourceSelection::kSourceWindow);
  CallModel(models_.session, QuickRecordModel::kInvokeGoToScreenOrWindowView, selection);
}

void QuickRecordViewModel::HandleGotoUpgradeUrl(const Variant& payload) {
  base::analytics::LogEvent(space_check_->UpgradeClickEvent());
  const std::string url = payload.GetString("jump_url");
  if (url.empty()) {
    KLOG(3) << "upgrade url is empty";
    return;
  }
  // This host has no page of its own for web addresses: both ways open the browser.
  kovani::OpenWebPage(kovani_common::utils::web::ReviseWebUrl(url));
}

void QuickRecordViewModel::HandleGoToUpdateUrl() {
  // GetRecordCompleteUrl: where more space is bought.
  const std::string url = kovanisdk::utils::config::GetString(kAbilitySection, kBuyUrlKey, "");
  if (url.empty()) {
    KLOG(3) << "record url is empty";
    return;
  }
  kovani::OpenWebPage(kovani_common::utils::web::ReviseWebUrl(url));
}

void QuickRecordViewModel::HandleClickCancelSelect() {
  base::analytics::LogEvent("e#new_recording#close#click");
  CallModel(models_.home, QuickRecordHomeModel::kInvokeCloseNewRecordPage, Variant::MakeMap());
  framework::GetNavigatorService().Close(Route("camera_preview"));
}

void QuickRecordViewModel::HandleQuickRecordButtonClick() {
  KLOG(6) << "click quick record button";
  if (!page_state_->recording()) return;
  Variant bar = Variant::MakeMap();
  bar.Set("show", true);
  framework::GetNavigatorService().Open(Route("bottom_bar"), bar);
}

void QuickRecordViewModel::HandleGetQuickRecordSelectDialogUiData() {
  const bool has_screen =
      CallModel(framework::module::GetAppModuleModel(host::app::kDeviceModelId), host::app::kDeviceGetScreens).Size() > 0;
  page_state_->PublishSelectDialog(InMeeting(), has_screen && GetRecordEnable() && !IsRecordingOrCounting());
}

// ---- events ----

void QuickRecordViewModel::OnRecordStateChanged(const Variant& payload) {
  const int32_t state = payload.GetInt32("record_state");
  page_state_->SetRecording(state == kovanisdk::plugin::kRecordStateRecording ||
                            state == kovanisdk::plugin::kRecordStatePaused);
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnUpdateQuickRecordTotalTime(const Variant& payload) {
  page_state_->SetRecordTime(payload.AsInt64());
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnQuickRecordCloudSpaceUpdatedEvent(const Variant&) {
  HandleCheckSpaceInfo(Notice::kScenePage);
}

void QuickRecordViewModel::OnUploadingStatusUpdatedEvent(const Variant& payload) { page_state_->PublishUpload(payload); }

void QuickRecordViewModel::OnEventRecordModeChanged(const Variant& payload) {
  PublishModePanels(payload.IsMap() && payload.Has("select_mode") ? payload.GetInt32("select_mode") : SelectedMode());
}

void QuickRecordViewModel::OnEventSettingPanelShownChanged(const Variant&) { PublishModePanels(SelectedMode()); }

void QuickRecordViewModel::OnEventRunPortraitDefaultAnimationOver(const Variant&) {
  if (count_down_flow_) count_down_flow_->OnPortraitAnimationOver();
}

void QuickRecordViewModel::OnShortcutKeyEventStartRecord(const Variant&) {
  KLOG(6) << "start quick record";
  if (!CallModel(models_.home, QuickRecordHomeModel::kInvokeGetNewRecordPageState).GetBool("is_new_record_page")) {
    KLOG(6) << "not on new record page";
    return;
  }
  const int32_t state = HandleCheckSpaceInfo(Notice::kSceneShortcut);
  KLOG(6) << "Shortcut event occur, current space state: " << state << " can start record flag value:" << can_start_record_;
  if (state != Notice::kSpaceEnough) return;
  Variant from_shortcut = Variant::MakeMap();
  from_shortcut.Set("from_shortcut", true);
  Publish(kPropertyStartFromShortcut, from_shortcut);
  HandleStartRecord(from_shortcut);
}

void QuickRecordViewModel::OnMeetingStateUpdated(const Variant& payload) {
  is_in_meeting_ = payload.GetBool("is_in_meeting");
  page_state_->PublishMeeting(is_in_meeting_);
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnEventUpdateHomeWindowMinimizeState(const Variant& payload) {
  page_state_->PublishHomeWindowMinimize(payload.GetBool("minimize"));
}

void QuickRecordViewModel::UpdateRecordStateToUi() { page_state_->PublishRecordState(GetRecordEnable()); }

}  // namespace quick_record
