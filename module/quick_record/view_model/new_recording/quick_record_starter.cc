#include "module/quick_record/view_model/new_recording/quick_record_starter.h"

#include <ctime>

#include "host/app/device_model.h"
#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/screen_selector_model.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/view_model/model_call.h"
#include "module/quick_record/view_model/new_recording/quick_record_select_mode.h"
#include "module/quick_record/view_model/record_source_selection.h"

namespace quick_record {

using base::variant::Variant;
using Mode = QuickRecordSelectMode;

namespace {

std::string DefaultSubject() {
  const std::time_t now = static_cast<std::time_t>(base::clock::WallSeconds());
  std::tm local{};
  localtime_r(&now, &local);
  char date[32] = {};
  std::strftime(date, sizeof(date), "%Y-%m-%d %H:%M", &local);
  return framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordDefaultSubject) + date;
}

}  // namespace

QuickRecordStarter::QuickRecordStarter(Models models) : models_(std::move(models)) {}

std::string QuickRecordStarter::Start(int32_t mode, const Variant& payload) {
  const Variant selection = Selection(mode);
  ReportStartClick(mode, selection, payload);
  if (Mode::NeedsScreen(mode) && !StartCaptureSelection(selection)) return "no_screen";
  return StartQuickRecord(mode, payload);
}

Variant QuickRecordStarter::Selection(int32_t mode) const {
  if (!Mode::NeedsScreen(mode)) return Variant();
  const Variant selection = CallModel(models_.session, QuickRecordModel::kInvokeGetSelectScreenInfo);
  if (!selection.IsMap() || (selection.GetString("monitor_id").empty() && selection.GetUInt64("window_id") == 0 &&
                             selection.GetInt32("type") != RecordSourceSelection::kSourceWindow)) {
    return DefaultScreenSelection();
  }
  return selection;
}

Variant QuickRecordStarter::DefaultScreenSelection() {
  // Nothing chosen yet: the primary screen, else the first.
  const Variant screens =
      CallModel(framework::module::GetAppModuleModel(host::app::kDeviceModelId), host::app::kDeviceGetScreens);
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

bool QuickRecordStarter::StartCaptureSelection(const Variant& selection) {
  const int32_t type = selection.GetInt32("type", RecordSourceSelection::kSourceScreen);
  if (type == RecordSourceSelection::kSourceWindow) {
    // StartTrackingWindow: the tracker frames the window while it is recorded.
    const uint64_t window_id = selection.GetUInt64("window_id");
    if (window_id == 0) {
      KLOG(1) << "[QUICK RECORD] invalid window for quick recording";
      return false;
    }
    CallModel(models_.screen_selector, ScreenSelectorModel::kInvokeSelectAppWindow, selection);
    Variant window = Variant::MakeMap();
    window.Set("window_id", window_id);
    CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeSetSelectedWindow, window);
    framework::GetNavigatorService().Open(std::string(kRoutePrefix) + "tracker", selection);
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
  CallModel(models_.screen_selector, ScreenSelectorModel::kInvokeSelectScreen, screen);
  CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeSetSelectedWindow, screen);
  return true;
}

std::string QuickRecordStarter::StartQuickRecord(int32_t mode, const Variant& payload) {
  KLOG(6) << "[QUICK RECORD] user select " << Mode::Name(mode) << " to start quick record";
  const uint32_t flags = Mode::RecordFlags(mode);
  if (flags == 0) {
    KLOG(1) << "[QUICK RECORD] unknown quick record mode: " << mode;
    return "unknown_mode";
  }
  if (!models_.recorder) {
    KLOG(1) << "[QUICK RECORD] no record model";
    return "no_recorder";
  }
  Variant prepare = Variant::MakeMap();
  prepare.Set("is_head_only", mode == Mode::kHead);
  CallModel(models_.session, QuickRecordModel::kInvokePrepare, prepare);

  // The upload model asks the back end for the record before the recorder's first frames, so the
  // session learns the new recording's subject and start time first.
  Variant session_start = Variant::MakeMap();
  session_start.Set("subject", payload.GetString("subject").empty() ? DefaultSubject() : payload.GetString("subject"));
  session_start.Set("record_start_time", std::to_string(base::clock::WallSeconds()));
  session_start.Set("is_new", true);
  CallModel(models_.session, QuickRecordModel::kInvokeStartQuickRecord, session_start);

  const bool enable_mic = MicEnabled();
  Variant start = Variant::MakeMap();
  start.Set("record_type", mode);
  start.Set("record_flags", flags);
  start.Set("enable_mic", enable_mic);
  start.Set("audio_enable", enable_mic);
  const bool started = CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeFuncStartRecord, start).AsBool();
  KLOG(6) << "[QUICK RECORD] start quick record, ret: " << started;
  if (!started) {
    // The back end already holds a record for this start; the recorder's error says why it failed.
    Variant refused = Variant::MakeMap();
    refused.Set("reason", "recorder_refused");
    CallModel(models_.session, QuickRecordModel::kInvokeStartRefused, refused);
    return "recorder_refused";
  }
  KLOG(6) << "start quick record";
  return "";
}

void QuickRecordStarter::ReportStartClick(int32_t mode, const Variant& selection, const Variant& payload) {
  int32_t width = 0, height = 0, fps = 0;
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  if (recorder) recorder->GetScreenCaptureConfig(&width, &height, &fps);
  const bool window = selection.GetInt32("type", RecordSourceSelection::kSourceScreen) == RecordSourceSelection::kSourceWindow;
  const bool enable_mic = MicEnabled();
  const char* open_way = payload.GetBool("from_shortcut") ? "shortcut"
                         : payload.GetBool("from_space_dialog") ? "space_dialog"
                                                                : "button";
  const base::analytics::Properties properties = {
      {"record_mode", std::to_string(mode)},
      {"screen_type", Mode::NeedsScreen(mode) ? (window ? "window" : "screen") : ""},
      {"recording_content", Mode::Name(mode)},
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

bool QuickRecordStarter::MicEnabled() const {
  return CallModel(models_.session, QuickRecordModel::kReadMicEnabled).AsBool(true);
}

}  // namespace quick_record
