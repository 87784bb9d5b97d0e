#include "module/quick_record/view_model/quick_record_view_model.h"

#include <cstdio>
#include <ctime>

#include "host/app/device_model.h"
#include "host/app/host_app_model.h"
#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
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
#include "module/quick_record/model/screen_selector_model.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/quick_record_count_down_flow.h"
#include "module/quick_record/view_model/quick_record_space_notice.h"
#include "module/quick_record/view_model/record_source_selection.h"

namespace quick_record {

using base::variant::Variant;
using Notice = QuickRecordSpaceNotice;

namespace {

std::string Route(const char* page) { return std::string(kRoutePrefix) + page; }

// "mm:ss" below an hour, "h:mm:ss" from an hour on.
std::string RecordTimeText(int64_t ms) {
  const int64_t seconds = ms > 0 ? ms / 1000 : 0;
  char text[32] = {};
  if (seconds < 3600) {
    std::snprintf(text, sizeof(text), "%02lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  }
  return text;
}

std::string DefaultSubject() {
  const std::time_t now = static_cast<std::time_t>(base::clock::WallSeconds());
  std::tm local{};
  localtime_r(&now, &local);
  char date[32] = {};
  std::strftime(date, sizeof(date), "%Y-%m-%d %H:%M", &local);
  return framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordDefaultSubject) + date;
}

uint32_t RecordFlagsOf(int32_t mode) {
  switch (mode) {
    case QuickRecordViewModel::kModeScreenAndHead: return kRecordFlagScreen | kRecordFlagCamera;
    case QuickRecordViewModel::kModeScreen: return kRecordFlagScreen;
    case QuickRecordViewModel::kModeHead: return kRecordFlagCamera;
    default: return 0;
  }
}

bool NeedsScreen(int32_t mode) { return mode == QuickRecordViewModel::kModeScreenAndHead || mode == QuickRecordViewModel::kModeScreen; }
bool NeedsCamera(int32_t mode) { return mode == QuickRecordViewModel::kModeScreenAndHead || mode == QuickRecordViewModel::kModeHead; }

const char* ModeName(int32_t mode) {
  switch (mode) {
    case QuickRecordViewModel::kModeScreenAndHead: return "screen_and_head";
    case QuickRecordViewModel::kModeScreen: return "screen";
    default: return "head";
  }
}

std::shared_ptr<IQuickRecorder> Recorder() {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  return recorder;
}

Variant Call(const std::shared_ptr<framework::ModelImpl>& model, int32_t method_id, const Variant& args = {}) {
  Variant result;
  if (model) model->Call(method_id, args, &result);
  return result;
}

}  // namespace

QuickRecordViewModel::QuickRecordViewModel(Models models)
    : kovani::ExtensionViewModelT<framework::StatefulViewModel>(view_model_id::kQuickRecordViewModel),
      models_(std::move(models)) {}

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
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordViewModel>(weak.lock()); };
  QuickRecordCountDownFlow::Listener listener;
  listener.on_running = [self_of](bool running) {
    auto self = self_of();
    if (!self) return;
    // The count-down minimizes the home window itself.
    if (running) self->ignore_next_minimize_ = true;
    self->PublishCountDown(running);
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
  if (!Call(models_.home, QuickRecordHomeModel::kInvokeGetNewRecordPageState).GetBool("is_new_record_page")) {
    Call(models_.home, QuickRecordHomeModel::kInvokeOpenNewRecordPage, Variant::MakeMap());
  }
  is_in_meeting_ = kovani_common::utils::inmeeting::IsInMeeting();
  Variant meeting = Variant::MakeMap();
  meeting.Set("is_in_meeting", is_in_meeting_);
  Publish(kPropertyMeetingState, meeting);
  recording_ = Call(models_.recorder, QuickRecordRecorderModel::kInvokeFuncGetRecordState).AsInt32() !=
               kovanisdk::plugin::kRecordStateStopped;
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
  const bool machine_support = Recorder() != nullptr;
  const bool in_meeting = is_in_meeting_ || kovani_common::utils::inmeeting::IsInMeeting();
  // The home page's space guide takes the start away while it asks the user to act.
  const bool in_space_guide_disable = !can_start_record_;
  KLOG(6) << "cloud_record_switch" << cloud_record_switch << " machine_support" << machine_support
          << " is_in_meeting_" << in_meeting << " is_in_space_guide_disable_" << in_space_guide_disable;
  return cloud_record_switch && machine_support && !in_meeting && !in_space_guide_disable;
}

bool QuickRecordViewModel::IsRecordingOrCounting() const {
  return recording_ || count_down_running_ ||
         Call(models_.recorder, QuickRecordRecorderModel::kInvokeFuncGetRecordState).AsInt32() !=
             kovanisdk::plugin::kRecordStateStopped;
}

Variant QuickRecordViewModel::SessionField(int32_t method_id) const { return Call(models_.session, method_id); }

int32_t QuickRecordViewModel::SelectedMode() const {
  // Until the settings panel stored a choice the page records the screen only.
  const int32_t mode = SessionField(QuickRecordModel::kReadRecordMode).AsInt32();
  return mode == 0 ? kModeScreen : mode;
}

int32_t QuickRecordViewModel::HandleCheckSpaceInfo(int32_t check_scene) {
  KLOG(6) << "start to check space info.";
  if (!models_.space) {
    KLOG(1) << "Failed to get quick record space model.";
    return Notice::kSpaceEnough;
  }
  const Variant space = Call(models_.space, QuickRecordSpaceModel::kInvokeGetQuickRecordSpace);
  if (space.GetBool("is_infinite_space")) {
    KLOG(6) << "Infinite space, no need to show space info.";
    space_state_ = Notice::kSpaceEnough;
    return space_state_;
  }
  if (!space.GetBool("space_got")) {
    KLOG(3) << "Failed to got space and space_got value: " << space.GetBool("space_got");
    return space_state_;
  }
  const int64_t left = space.GetInt64("left_space");
  KLOG(6) << "got space, left_space: " << left;
  space_state_ = Notice::SpaceState(left);
  if (space_state_ == Notice::kSpaceEnough) return space_state_;
  last_notice_show_type_ = Notice::ShowType(check_scene);
  Publish(kPropertySpaceNotice, Notice::Build(space_state_, left, check_scene));
  base::analytics::LogEventWithProperties(
      Notice::ExposureEvent(last_notice_show_type_),
      {{"remaining_space", Notice::MegaBytesLeft(left)},
       {"remaining_space_type", space_state_ == Notice::kSpaceFew ? "a_few" : "none"}});
  return space_state_;
}

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
    ReportStart(false, is_in_meeting_ || kovani_common::utils::inmeeting::IsInMeeting() ? "in_meeting" : "disabled");
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
  if (!ExecuteSelectRecordModeComplete(mode, payload)) {
    KLOG(1) << "start quick record failed.";
    return;
  }
  ReportStart(true, "");
  count_down_flow_->Start(mode);
}

bool QuickRecordViewModel::ExecuteSelectRecordModeComplete(int32_t mode, const Variant& payload) {
  Variant selection;
  if (NeedsScreen(mode)) {
    selection = Call(models_.session, QuickRecordModel::kInvokeGetSelectScreenInfo);
    if (!selection.IsMap() || (selection.GetString("monitor_id").empty() && selection.GetUInt64("window_id") == 0 &&
                               selection.GetInt32("type") != RecordSourceSelection::kSourceWindow)) {
      selection = DefaultScreenSelection();
    }
  }
  ReportStartClick(mode, selection, payload);
  if (NeedsScreen(mode) && !StartCaptureSelection(selection)) {
    ReportStart(false, "no_screen");
    return false;
  }
  return StartQuickRecord(mode, payload);
}

Variant QuickRecordViewModel::DefaultScreenSelection() const {
  // Nothing chosen yet: the primary screen, else the first.
  const Variant screens = Call(framework::module::GetAppModuleModel(host::app::kDeviceModelId), host::app::kDeviceGetScreens);
  if (!screens.IsArray() || screens.Size() == 0) return Variant();
  Variant chosen = screens[0];
  for (const Variant& screen : screens.AsArray()) {
    if (screen.GetBool("primary")) chosen = screen;
  }
  Variant selection = Variant::MakeMap();
  selection.Set("type", RecordSourceSelection::kSourceScreen);
  selection.Set("monitor_id", chosen.GetString("monitor_uuid"));
  selection.Set("name", chosen.GetString("name"));
  return selection;
}

bool QuickRecordViewModel::StartCaptureSelection(const Variant& selection) {
  const int32_t type = selection.GetInt32("type", RecordSourceSelection::kSourceScreen);
  if (type == RecordSourceSelection::kSourceWindow) {
    // StartTrackingWindow: the tracker frames the window while it is recorded.
    const uint64_t window_id = selection.GetUInt64("window_id");
    if (window_id == 0) {
      KLOG(1) << "[QUICK RECORD] invalid window for quick recording";
      return false;
    }
    Call(models_.screen_selector, ScreenSelectorModel::kInvokeSelectAppWindow, selection);
    Variant window = Variant::MakeMap();
    window.Set("window_id", window_id);
    Call(models_.recorder, QuickRecordRecorderModel::kInvokeSetSelectedWindow, window);
    framework::GetNavigatorService().Open(Route("tracker"), selection);
    return true;
  }
  if (type != RecordSourceSelection::kSourceScreen) {
    KLOG(1) << "[QUICK RECORD] type (" << type << ") is not supported now.";
    return false;
  }
  // StartCaptureWindow of a screen.
  const std::string monitor_id = selection.GetString("monitor_id");
  if (monitor_id.empty()) {
    KLOG(1) << "[QUICK RECORD] invalid window for quick recording";
    return false;
  }
  Variant screen = Variant::MakeMap();
  screen.Set("monitor_id", monitor_id);
  Call(models_.screen_selector, ScreenSelectorModel::kInvokeSelectScreen, screen);
  Call(models_.recorder, QuickRecordRecorderModel::kInvokeSetSelectedWindow, screen);
  return true;
}

bool QuickRecordViewModel::StartQuickRecord(int32_t mode, const Variant& payload) {
  KLOG(6) << "[QUICK RECORD] user select " << ModeName(mode) << " to start quick record";
  const uint32_t flags = RecordFlagsOf(mode);
  if (flags == 0) {
    KLOG(1) << "[QUICK RECORD] unknown quick record mode: " << mode;
    ReportStart(false, "unknown_mode");
    return false;
  }
  if (!models_.recorder) {
    KLOG(1) << "[QUICK RECORD] no record model";
    ReportStart(false, "no_recorder");
    return false;
  }
  Variant prepare = Variant::MakeMap();
  prepare.Set("is_head_only", mode == kModeHead);
  Call(models_.session, QuickRecordModel::kInvokePrepare, prepare);

  // The upload model asks the back end for the record before the recorder's first frames, so the
  // session learns the new recording's subject and start time first.
  Variant session_start = Variant::MakeMap();
  session_start.Set("subject", payload.GetString("subject").empty() ? DefaultSubject() : payload.GetString("subject"));
  session_start.Set("record_start_time", std::to_string(base::clock::WallSeconds()));
  session_start.Set("is_new", true);
  Call(models_.session, QuickRecordModel::kInvokeStartQuickRecord, session_start);

  const bool enable_mic = SessionField(QuickRecordModel::kReadMicEnabled).AsBool(true);
  Variant start = Variant::MakeMap();
  start.Set("record_type", mode);
  start.Set("record_flags", flags);
  start.Set("enable_mic", enable_mic);
  start.Set("audio_enable", enable_mic);
  const bool started = Call(models_.recorder, QuickRecordRecorderModel::kInvokeFuncStartRecord, start).AsBool();
  KLOG(6) << "[QUICK RECORD] start quick record, ret: " << started;
  if (!started) {
    ReportStart(false, "recorder_refused");
    return false;
  }
  KLOG(6) << "start quick record";
  return true;
}

void QuickRecordViewModel::ReportStartClick(int32_t mode, const Variant& selection, const Variant& payload) {
  int32_t width = 0, height = 0, fps = 0;
  if (auto recorder = Recorder()) recorder->GetScreenCaptureConfig(&width, &height, &fps);
  const bool window = selection.GetInt32("type", RecordSourceSelection::kSourceScreen) == RecordSourceSelection::kSourceWindow;
  const bool enable_mic = SessionField(QuickRecordModel::kReadMicEnabled).AsBool(true);
  const char* open_way = payload.GetBool("from_shortcut") ? "shortcut"
                         : payload.GetBool("from_space_dialog") ? "space_dialog"
                                                                : "button";
  const base::analytics::Properties properties = {
      {"record_mode", std::to_string(mode)},
      {"screen_type", NeedsScreen(mode) ? (window ? "window" : "screen") : ""},
      {"recording_content", ModeName(mode)},
      {"recording_resolution", std::to_string(height)},
      {"recording_frame_rate", std::to_string(fps)},
      {"recording_screen_content", selection.GetString(window ? "window_name" : "name")},
      {"windows_selected", window ? "1" : "0"},
      {"open_way", open_way},
      {"enable_mic", enable_mic ? "1" : "0"},
      {"mirco_state", enable_mic ? "open" : "close"},
  };
  base::analytics::LogEventWithProperties("e#meetlog_mainboard#start_recording#click", properties);
  base::analytics::LogEventWithProperties("e#new_recording#start_recording#click", properties);
}

void QuickRecordViewModel::ReportStart(bool success, const std::string& message) {
  Variant result = Variant::MakeMap();
  result.Set("success", success);
  result.Set("message", message);
  Publish(kPropertyStartResult, result);
}

void QuickRecordViewModel::PublishCountDown(bool running) {
  count_down_running_ = running;
  Variant value = Variant::MakeMap();
  value.Set("count_down_running", running);
  Publish(kPropertyCountDown, value);
}

void QuickRecordViewModel::PublishPanel(int32_t property_id, bool show) {
  Variant value = Variant::MakeMap();
  value.Set("show", show);
  Publish(property_id, value);
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
  Call(models_.session, QuickRecordModel::kInvokeGoToScreenOrWindowView, selection);
}

void QuickRecordViewModel::HandleGotoUpgradeUrl(const Variant& payload) {
  base::analytics::LogEvent(Notice::UpgradeClickEvent(last_notice_show_type_));
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
  Call(models_.home, QuickRecordHomeModel::kInvokeCloseNewRecordPage, Variant::MakeMap());
  framework::GetNavigatorService().Close(Route("camera_preview"));
}

void QuickRecordViewModel::HandleQuickRecordButtonClick() {
  KLOG(6) << "click quick record button";
  if (!recording_) return;
  Variant bar = Variant::MakeMap();
  bar.Set("show", true);
  framework::GetNavigatorService().Open(Route("bottom_bar"), bar);
}

void QuickRecordViewModel::HandleGetQuickRecordSelectDialogUiData() {
  namespace s = host::strings;
  const auto* strings = framework::Resource::GetInstance();
  const bool in_meeting = is_in_meeting_ || kovani_common::utils::inmeeting::IsInMeeting();
  const bool has_screen = Call(framework::module::GetAppModuleModel(host::app::kDeviceModelId), host::app::kDeviceGetScreens).Size() > 0;
  Variant ui = Variant::MakeMap();
  ui.Set("dialog_title", strings->GetString(s::kQuickRecordPageTitle));
  ui.Set("cancel_select", strings->GetString(s::kQuickRecordPageCancel));
  ui.Set("record_next_step", strings->GetString(s::kQuickRecordPageNextStep));
  ui.Set("mine_records", strings->GetString(s::kQuickRecordMyRecordsTab));
  ui.Set("mine_notifications", strings->GetString(s::kQuickRecordNotificationTab));
  ui.Set("start_record", strings->GetString(s::kQuickRecordPageStartRecord));
  ui.Set("switch_screen_content", strings->GetString(s::kQuickRecordPageSwitchScreen));
  ui.Set("switch_window_content", strings->GetString(s::kQuickRecordPageSwitchWindow));
  ui.Set("no_capture_window_tip", strings->GetString(s::kQuickRecordPageNoWindowTip));
  ui.Set("quick_recording", strings->GetString(s::kQuickRecordPageRecording));
  ui.Set("is_meeting_tips", in_meeting ? strings->GetString(s::kQuickRecordPageInMeetingTip) : std::string());
  ui.Set("is_show_start_guide_tips", false);
  ui.Set("is_show_store_guide_tips", false);
  ui.Set("start_button_enbale", has_screen && GetRecordEnable() && !IsRecordingOrCounting());
  ui.Set("new_record_label_text", strings->GetString(s::kQuickRecordPageTitle));
  Publish(kPropertySelectDialogUi, ui);
}

// ---- events ----

void QuickRecordViewModel::OnRecordStateChanged(const Variant& payload) {
  const int32_t state = payload.GetInt32("record_state");
  recording_ = state == kovanisdk::plugin::kRecordStateRecording || state == kovanisdk::plugin::kRecordStatePaused;
  if (!recording_) record_time_text_ = RecordTimeText(0);
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnUpdateQuickRecordTotalTime(const Variant& payload) {
  record_time_text_ = RecordTimeText(payload.AsInt64());
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnQuickRecordCloudSpaceUpdatedEvent(const Variant&) {
  HandleCheckSpaceInfo(Notice::kScenePage);
}

void QuickRecordViewModel::OnUploadingStatusUpdatedEvent(const Variant& payload) {
  // HandleUploadingStatusChanged
  const int64_t uploaded = payload.GetInt64("k_uploaded_size");
  const int64_t total = payload.GetInt64("k_total_size");
  const int64_t status = payload.GetInt64("k_upload_status");
  KLOG(6) << "HandleUploadingStatusChanged uploaded = " << uploaded << " total = " << total << " status = " << status;
  Variant state = Variant::MakeMap();
  state.Set(kUploadStatus, status);
  state.Set(kUploadProgress, total > 0 ? static_cast<double>(uploaded) / static_cast<double>(total) : 0.0);
  state.Set("record_id", payload.GetString("k_record_id"));
  state.Set("jump_url", payload.GetString("k_jump_url"));
  state.Set("instance_id", payload.GetString("k_instance_id"));
  Publish(kPropertyUploadState, state);
}

void QuickRecordViewModel::OnEventRecordModeChanged(const Variant& payload) {
  PublishModePanels(payload.IsMap() && payload.Has("select_mode") ? payload.GetInt32("select_mode") : SelectedMode());
}

void QuickRecordViewModel::OnEventSettingPanelShownChanged(const Variant&) { PublishModePanels(SelectedMode()); }

void QuickRecordViewModel::PublishModePanels(int32_t mode) {
  // The screen choice and the camera preview sit beside the settings panel: hidden with it.
  const bool beside_settings = SessionField(QuickRecordModel::kInvokeGetSettingPanelShown).AsBool();
  const bool screen = beside_settings && NeedsScreen(mode);
  const bool camera = beside_settings && NeedsCamera(mode);
  if (screen) KLOG(6) << "show select screen window panel.";
  if (camera) KLOG(6) << "show camera preview panel";
  PublishPanel(kPropertySelectScreenPanel, screen);
  PublishPanel(kPropertyCameraPreviewPanel, camera);
}

void QuickRecordViewModel::OnEventRunPortraitDefaultAnimationOver(const Variant&) {
  if (count_down_flow_) count_down_flow_->OnPortraitAnimationOver();
}

void QuickRecordViewModel::OnShortcutKeyEventStartRecord(const Variant&) {
  KLOG(6) << "start quick record";
  if (!Call(models_.home, QuickRecordHomeModel::kInvokeGetNewRecordPageState).GetBool("is_new_record_page")) {
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
  Variant meeting = Variant::MakeMap();
  meeting.Set("is_in_meeting", is_in_meeting_);
  Publish(kPropertyMeetingState, meeting);
  UpdateRecordStateToUi();
}

void QuickRecordViewModel::OnEventUpdateHomeWindowMinimizeState(const Variant& payload) {
  const bool minimize = payload.GetBool("minimize");
  KLOG(6) << "minimize state: " << minimize;
  if (minimize && ignore_next_minimize_) {
    ignore_next_minimize_ = false;
    return;
  }
  Variant value = Variant::MakeMap();
  value.Set("minimize", minimize);
  Publish(kPropertyHomeWindowMinimize, value);
}

void QuickRecordViewModel::UpdateRecordStateToUi() {
  const auto* strings = framework::Resource::GetInstance();
  Variant state = Variant::MakeMap();
  KLOG(6) << "record_time_text: " << record_time_text_;
  state.Set(kRecordTimeText, record_time_text_);
  state.Set(kIsQuickRecording, recording_);
  state.Set(kBtnText, strings->GetString(recording_ ? host::strings::kQuickRecordPageRecording
                                                    : host::strings::kQuickRecordPageStartRecord));
  state.Set(kShortcutText, kovanisdk::utils::config::GetString(host::app::HostAppModel::kShortcutSection,
                                                               host::app::HostAppModel::kStartStopAction,
                                                               host::app::HostAppModel::kDefaultStartStopKeys));
  state.Set(kRecordEnable, GetRecordEnable());
  Publish(kPropertyRecordState, state);
}

}  // namespace quick_record
