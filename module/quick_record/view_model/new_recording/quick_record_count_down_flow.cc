#include "module/quick_record/view_model/new_recording/quick_record_count_down_flow.h"

#include <string>

#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "module/quick_record/view_model/model_call.h"
#include "module/quick_record/view_model/new_recording/quick_record_select_mode.h"
#include "module/quick_record/view_model/recording_stages/quick_record_count_down_view_model.h"

namespace quick_record {

using base::variant::Variant;

namespace {

constexpr int32_t kModeHead = QuickRecordSelectMode::kHead;

std::string Route(const char* page) { return std::string(kRoutePrefix) + page; }

}  // namespace

QuickRecordCountDownFlow::QuickRecordCountDownFlow(Models models, Listener listener)
    : models_(std::move(models)), listener_(std::move(listener)) {}

QuickRecordCountDownFlow::~QuickRecordCountDownFlow() {
  if (portrait_timer_) portrait_timer_->Stop();
}

void QuickRecordCountDownFlow::Start(int32_t mode) {
  auto& navigator = framework::GetNavigatorService();
  if (mode != kModeHead) {
    Variant tracker = Variant::MakeMap();
    tracker.Set("change_status", true);
    tracker.Set("from_quick_recording", true);
    if (navigator.IsOpen(Route("tracker"))) navigator.Update(Route("tracker"), tracker);
  }
  Variant mask = Variant::MakeMap();
  mask.Set("visable", true);
  navigator.Open(Route("count_down_mask"), mask);
  mode_ = mode;
  if (listener_.on_running) listener_.on_running(true);

  waiting_for_portrait_ = false;
  if (QuickRecordSelectMode::NeedsCamera(mode)) {
    Variant prepare = Variant::MakeMap();
    prepare.Set("mode", mode);
    waiting_for_portrait_ = models_.camera && models_.camera->Call(kCameraInvokePrepareWindow, prepare, nullptr);
    CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeReapplyVideoSources);
  }
  if (waiting_for_portrait_) {
    if (!portrait_timer_) {
      portrait_timer_ = base::threading::CreateTimer(
          [weak = weak_from_this()] {
            auto self = weak.lock();
            if (!self || !self->waiting_for_portrait_) return;
            KLOG(4) << "the camera window did not report its animation, show count down view";
            self->waiting_for_portrait_ = false;
            self->ShowCountDownView();
          },
          FROM_HERE);
    }
    portrait_timer_->Start(kPortraitAnimationTimeoutMs, /*repeating=*/false);
  } else {
    ShowCountDownView();
  }
  if (mode != kModeHead) CallModel(models_.session, QuickRecordModel::kInvokeOpenScreenCapture);
  CallModel(models_.session, QuickRecordModel::kInvokeCheckSetCamareResolutionView,
            CallModel(models_.session, QuickRecordModel::kInvokeGetSelectCameraHd));
  KLOG(6) << "check audio ans init last ";
}

void QuickRecordCountDownFlow::OnPortraitAnimationOver() {
  if (!waiting_for_portrait_) return;
  waiting_for_portrait_ = false;
  if (portrait_timer_) portrait_timer_->Stop();
  KLOG(6) << "show count down view";
  ShowCountDownView();
}

void QuickRecordCountDownFlow::ShowCountDownView() {
  auto& navigator = framework::GetNavigatorService();
  Variant count_down = Variant::MakeMap();
  count_down.Set("show", true);
  count_down.Set("type", mode_);
  count_down.Set("mode", mode_);
  if (!navigator.Open(Route("count_down"), count_down)) {
    KLOG(1) << "cannot open the count down";
    return;
  }
  if (auto view_model = std::dynamic_pointer_cast<QuickRecordCountDownViewModel>(navigator.PageViewModel(Route("count_down")))) {
    std::weak_ptr<framework::StatefulViewModel> weak_count_down = view_model;
    view_model->SetResultHandler([weak = weak_from_this(), weak_count_down](int32_t code) {
      // Closing the page releases the count-down, which is still reporting: keep it until then.
      auto count_down = weak_count_down.lock();
      if (auto self = weak.lock()) self->OnCountDownResult(code);
    });
  }
}

void QuickRecordCountDownFlow::OnCountDownResult(int32_t result_code) {
  KLOG(6) << "count down result code is :" << result_code;
  auto& navigator = framework::GetNavigatorService();
  navigator.Close(Route("count_down_mask"));
  navigator.Close(Route("count_down"));
  if (listener_.on_running) listener_.on_running(false);
  if (result_code == QuickRecordCountDownViewModel::kResultCancelled) {
    KLOG(6) << "user cancel quick record by count down view";
    CancelAfterCountDown();
    return;
  }
  NavigatorToBottomBarViewInternal();
}

void QuickRecordCountDownFlow::CancelAfterCountDown() {
  // The recorder runs from before the count-down: a cancel there drops the whole recording, on the
  // back end too, and the page shows the screen choice again.
  const std::string record_id = CallModel(models_.session, QuickRecordModel::kReadRecordId).AsString();
  Variant cancel = Variant::MakeMap();
  cancel.Set("record_id", record_id);
  CallModel(ModuleModelOf(model_id::kQuickRecordUploadModel),
            QuickRecordUploadModel::kInvokeRequestServerCancelRecord, cancel);
  CallModel(models_.session, QuickRecordModel::kInvokeCancelQuickRecord, cancel);
  CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeStopRecord);
  if (!QuickRecordSelectMode::NeedsCamera(mode_)) framework::GetNavigatorService().Close(Route("camera_preview"));
  CallModel(models_.session, QuickRecordModel::kInvokeOpenScreenCapture);
  CallModel(models_.recorder, QuickRecordRecorderModel::kInvokeClearCameraWindowFilter);
  if (listener_.on_cancelled) listener_.on_cancelled(mode_);
}

void QuickRecordCountDownFlow::NavigatorToBottomBarViewInternal() {
  const Variant camera = CallModel(models_.session, QuickRecordModel::kInvokeGetPreviewCameraDevice);
  Variant bar = Variant::MakeMap();
  bar.Set("show", true);
  bar.Set("mode", mode_);
  bar.Set("enable_mic", CallModel(models_.session, QuickRecordModel::kReadMicEnabled).AsBool(true));
  bar.Set("enable_mic_old_state_for_no_default_mic",
          CallModel(models_.session, QuickRecordModel::kReadMicOldStateForNoDefaultMic).AsBool());
  bar.Set("need_enable_mic_after_has_default_mic",
          CallModel(models_.session, QuickRecordModel::kReadNeedEnableMicAfterDefaultMic).AsBool());
  bar.Set("camera_device_id", camera.AsString());
  if (!framework::GetNavigatorService().Open(Route("bottom_bar"), bar)) KLOG(1) << "cannot open the control bar";
  // UpdateLastCameraDevice: the camera this recording used is the one offered next time.
  Variant last = Variant::MakeMap();
  last.Set("device_id", camera.AsString());
  CallModel(models_.session, QuickRecordModel::kInvokeUpdateLastCameraDevice, last);
  KLOG(6) << "start_record";
}

}  // namespace quick_record
