#include "module/quick_record/view_model/new_recording/quick_record_page_state.h"

#include <cstdio>

#include "host/app/host_app_model.h"
#include "host/app/string_table.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/view_model/new_recording/quick_record_select_mode.h"
#include "module/quick_record/view_model/new_recording/quick_record_view_model.h"

namespace quick_record {

using base::variant::Variant;
using Page = QuickRecordViewModel;

namespace {

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

}  // namespace

QuickRecordPageState::QuickRecordPageState(Publisher publish) : publish_(std::move(publish)) {}

void QuickRecordPageState::SetRecording(bool recording) {
  recording_ = recording;
  if (!recording_) record_time_text_ = RecordTimeText(0);
}

void QuickRecordPageState::SetRecordTime(int64_t elapsed_ms) { record_time_text_ = RecordTimeText(elapsed_ms); }

void QuickRecordPageState::PublishRecordState(bool record_enable) {
  const auto* strings = framework::Resource::GetInstance();
  Variant state = Variant::MakeMap();
  KLOG(6) << "record_time_text: " << record_time_text_;
  state.Set(Page::kRecordTimeText, record_time_text_);
  state.Set(Page::kIsQuickRecording, recording_);
  state.Set(Page::kBtnText, strings->GetString(recording_ ? host::strings::kQuickRecordPageRecording
                                                          : host::strings::kQuickRecordPageStartRecord));
  state.Set(Page::kShortcutText, kovanisdk::utils::config::GetString(host::app::HostAppModel::kShortcutSection,
                                                                     host::app::HostAppModel::kStartStopAction,
                                                                     host::app::HostAppModel::kDefaultStartStopKeys));
  state.Set(Page::kRecordEnable, record_enable);
  publish_(Page::kPropertyRecordState, state);
}

void QuickRecordPageState::PublishUpload(const Variant& item) {
  const int64_t uploaded = item.GetInt64("k_uploaded_size");
  const int64_t total = item.GetInt64("k_total_size");
  const int64_t status = item.GetInt64("k_upload_status");
  KLOG(6) << "HandleUploadingStatusChanged uploaded = " << uploaded << " total = " << total << " status = " << status;
  Variant state = Variant::MakeMap();
  state.Set(Page::kUploadStatus, status);
  // While the recording runs the total is what the transcoder has muxed so far, so the share
  // drops as the file grows and rises as each part is acknowledged; the sizes let a view say so.
  state.Set(Page::kUploadProgress, total > 0 ? static_cast<double>(uploaded) / static_cast<double>(total) : 0.0);
  state.Set("uploaded_size", uploaded);
  state.Set("total_size", total);
  state.Set("record_id", item.GetString("k_record_id"));
  state.Set("jump_url", item.GetString("k_jump_url"));
  state.Set("instance_id", item.GetString("k_instance_id"));
  publish_(Page::kPropertyUploadState, state);
}

void QuickRecordPageState::PublishCountDown(bool running) {
  if (running) ignore_next_minimize_ = true;
  count_down_running_ = running;
  Variant value = Variant::MakeMap();
  value.Set("count_down_running", running);
  publish_(Page::kPropertyCountDown, value);
}

void QuickRecordPageState::PublishModePanels(int32_t mode, bool beside_settings) {
  const bool screen = beside_settings && QuickRecordSelectMode::NeedsScreen(mode);
  const bool camera = beside_settings && QuickRecordSelectMode::NeedsCamera(mode);
  if (screen) KLOG(6) << "show select screen window panel.";
  if (camera) KLOG(6) << "show camera preview panel";
  PublishPanel(Page::kPropertySelectScreenPanel, screen);
  PublishPanel(Page::kPropertyCameraPreviewPanel, camera);
}

void QuickRecordPageState::PublishPanel(int32_t property_id, bool show) {
  Variant value = Variant::MakeMap();
  value.Set("show", show);
  publish_(property_id, value);
}

void QuickRecordPageState::PublishMeeting(bool in_meeting) {
  Variant meeting = Variant::MakeMap();
  meeting.Set("is_in_meeting", in_meeting);
  publish_(Page::kPropertyMeetingState, meeting);
}

void QuickRecordPageState::PublishHomeWindowMinimize(bool minimize) {
  KLOG(6) << "minimize state: " << minimize;
  if (minimize && ignore_next_minimize_) {
    ignore_next_minimize_ = false;
    return;
  }
  Variant value = Variant::MakeMap();
  value.Set("minimize", minimize);
  publish_(Page::kPropertyHomeWindowMinimize, value);
}

void QuickRecordPageState::PublishSelectDialog(bool in_meeting, bool start_enable) {
  namespace s = host::strings;
  const auto* strings = framework::Resource::GetInstance();
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
  ui.Set("start_button_enbale", start_enable);
  ui.Set("new_record_label_text", strings->GetString(s::kQuickRecordPageTitle));
  publish_(Page::kPropertySelectDialogUi, ui);
}

}  // namespace quick_record
