#include "module/quick_record/view_model/bottom_bar/bottom_bar_recording_ending.h"

#include "host/app/recording_state_model.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani/open_web_page.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/variant_map.h"

namespace quick_record {

using base::variant::Variant;

namespace {

void CallIfAny(const std::shared_ptr<framework::ModelImpl>& model, int32_t method_id, const Variant& args,
               Variant* result = nullptr) {
  if (model) model->Call(method_id, args, result);
}

}  // namespace

BottomBarRecordingEnding::BottomBarRecordingEnding(const BottomBarModels* models) : models_(models) {}

void BottomBarRecordingEnding::HandleCompleteRecord(bool open_complete_url, uint32_t elapsed_seconds) {
  KLOG(6) << "click complete record";
  CallIfAny(models_->session, QuickRecordModel::kInvokeQuickRecordComplete, Variant());
  const std::string url = GetRecordCompleteUrl();
  if (url.empty()) {
    KLOG(3) << "record url is empty.";
  } else if (open_complete_url) {
    kovani::OpenWebPage(url);
  }
  ClearQuickRecord();
  framework::GetNavigatorService().Open(kTrackerRoute,
                                       VariantMap({{"change_status", true}, {"from_quick_recording", true}}));
  CallIfAny(models_->recording_service, host::app::kRecordingServiceRecordState,
            VariantMap({{"record_state", 0},
                        {"record_type", QuickRecordRecorderModel::kRecordTypeQuickRecord},
                        {"is_owner", true}}));
  // Whole minutes begun: 1 s to 60 s is one minute, 61 s two.
  const uint32_t minutes = (elapsed_seconds + 59) / 60;
  base::analytics::LogEventWithProperties(
      "e#meetlog_recording_toolbar#end_recording#click",
      {{"time", std::to_string(minutes)}, {"time_detail", std::to_string(elapsed_seconds)}});
  ShowEndingView();
}

void BottomBarRecordingEnding::ShowEndingView() {
  auto& navigator = framework::GetNavigatorService();
  navigator.Open(kEndingRoute, VariantMap({{"show", true}}));
  navigator.Close(kCountDownRoute);
  navigator.Close(kCountDownMaskRoute);
}

void BottomBarRecordingEnding::CancelRecording(const std::string& known_record_id) {
  const std::string record_id = CurrentRecordId(known_record_id);
  KLOG(6) << "request server cancel record, record_id:" << record_id;
  const Variant args = VariantMap({{"record_id", record_id}});
  // The back end first: the session's cancel forgets the record id.
  CallIfAny(models_->upload, QuickRecordUploadModel::kInvokeRequestServerCancelRecord, args);
  CallIfAny(models_->session, QuickRecordModel::kInvokeCancelQuickRecord, args);
  UpdateLastMicDevice();
  ClearQuickRecord();
}

void BottomBarRecordingEnding::UpdateLastMicDevice() {
  CallIfAny(models_->session, QuickRecordModel::kInvokeUpdateLastMicDevice, Variant::MakeMap());
}

void BottomBarRecordingEnding::ClearQuickRecord() {
  KLOG(6) << "clear quick record";
  CallIfAny(models_->recorder, QuickRecordRecorderModel::kInvokeStopRecord, Variant());
}

std::string BottomBarRecordingEnding::CurrentRecordId(const std::string& known_record_id) const {
  Variant state;
  CallIfAny(models_->session, QuickRecordModel::kInvokeGetQuickRecordState, Variant(), &state);
  const std::string id = state.GetString("record_id");
  return id.empty() ? known_record_id : id;
}

std::string BottomBarRecordingEnding::GetRecordCompleteUrl() const {
  Variant url;
  CallIfAny(models_->session, QuickRecordModel::kInvokeGetQuickRecordWebUrl, Variant(), &url);
  return url.AsString();
}

}  // namespace quick_record
