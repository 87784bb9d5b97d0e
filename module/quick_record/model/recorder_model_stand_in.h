#pragma once

#include <string>

#include "host/framework/model/model_impl.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/model/quick_record_recorder_model.h"

namespace quick_record::testing {

using base::variant::Variant;

// For unit tests of what follows the recorder model: fires its state and error events on demand.
class RecorderModelStandIn : public framework::ModelImpl {
 public:
  RecorderModelStandIn() : framework::ModelImpl(model_id::kQuickRecordRecorderModel) {
    BindMethod(QuickRecordRecorderModel::kInvokeFuncGetRecordState, [this](const Variant&, Variant* result) {
      if (result) *result = state_;
      return true;
    });
  }
  void State(int32_t state) {
    state_ = state;
    Variant payload = Variant::MakeMap();
    payload.Set("record_state", state);
    payload.Set("record_type", QuickRecordRecorderModel::kRecordTypeQuickRecord);
    payload.Set("is_owner", true);
    FireEvent(QuickRecordRecorderModel::kEventRecordStateChanged, payload);
  }
  void NullState() { FireEvent(QuickRecordRecorderModel::kEventRecordStateChanged, Variant()); }
  void Error(int32_t operate_type, int32_t result, const std::string& message) {
    Variant payload = Variant::MakeMap();
    payload.Set("result", result);
    payload.Set("operate_type", operate_type);
    payload.Set("message", message);
    FireEvent(QuickRecordRecorderModel::kEventRecordError, payload);
  }

 private:
  int32_t state_ = 0;
};

}  // namespace quick_record::testing
