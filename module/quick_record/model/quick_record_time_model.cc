#include "module/quick_record/model/quick_record_time_model.h"

#include "host/base/logging/logger.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordTimeModel::QuickRecordTimeModel(std::shared_ptr<framework::ModelImpl> recorder_model)
    : framework::ModelImpl(model_id::kQuickRecordTimeModel),
      subscriber_id_(framework::NewSubscriberId()),
      recorder_model_(std::move(recorder_model)) {
  BindMethod(kInvokeGetQuickRecordTotalTime, [this](const Variant&, Variant* result) {
    int64_t ms = 0;
    if (!ReadRecordedDuration(&ms)) return true;
    if (!result) {
      KLOG(3) << "null result!";
      return true;
    }
    *result = ms;
    return true;
  });
}

QuickRecordTimeModel::~QuickRecordTimeModel() = default;

void QuickRecordTimeModel::Init() {
  framework::ModelImpl::Init();
  if (!recorder_model_) recorder_model_ = ModuleModelOf(model_id::kQuickRecordRecorderModel);
  if (!recorder_model_) return;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  recorder_model_->Subscribe(QuickRecordRecorderModel::kEventRecordStateChanged, subscriber_id_,
                             [weak](int32_t, const Variant& payload) {
                               auto self = std::static_pointer_cast<QuickRecordTimeModel>(weak.lock());
                               if (!self || payload.GetInt32("record_type") != QuickRecordRecorderModel::kRecordTypeQuickRecord) return;
                               self->HandleRecordState(payload.GetInt32("record_state"));
                             });
  // Made on demand, this model may come after the recording started: it follows from now.
  Variant state;
  if (recorder_model_->Call(QuickRecordRecorderModel::kInvokeFuncGetRecordState, Variant(), &state)) {
    HandleRecordState(state.AsInt32());
  }
}

void QuickRecordTimeModel::UnInit() {
  if (recorder_model_) recorder_model_->Unsubscribe(subscriber_id_);
  timer_.reset();
  framework::ModelImpl::UnInit();
}

void QuickRecordTimeModel::HandleRecordState(int32_t state) {
  if (state != kovanisdk::plugin::kRecordStateRecording) {
    if (timer_) timer_->Stop();
    timer_.reset();
    return;
  }
  if (timer_) return;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  timer_ = base::threading::CreateTimer(
      [weak] {
        auto self = std::static_pointer_cast<QuickRecordTimeModel>(weak.lock());
        int64_t ms = 0;
        if (self && self->ReadRecordedDuration(&ms)) self->FireEvent(kEventRecordTime, ms);
      },
      FROM_HERE);
  timer_->Start(kTickMs, /*repeating=*/true);
}

bool QuickRecordTimeModel::ReadRecordedDuration(int64_t* ms) const {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  if (!recorder) {
    KLOG(1) << "not found quick_recorder";
    return false;
  }
  *ms = recorder->GetRecordedDuration();
  return true;
}

}  // namespace quick_record
