#include "host/app/recording_state_model.h"

#include "host/base/logging/logger.h"
#include "host/sdk/kovani_common/account.h"

namespace host::app {

using base::variant::Variant;

RecordingStateModel::RecordingStateModel(int32_t model_id) : framework::ModelImpl(model_id) {}

bool RecordingStateModel::Call(int32_t method_id, const Variant& args, Variant*) {
  KLOG(6) << "host model " << type() << " told " << method_id << ": " << args.ToJson();
  if (args.Has("record_state")) {
    const int64_t state = args.GetInt64("record_state");
    kovani_common::utils::record::SetQuickRecordRunning(state == 2 || state == 3);
  }
  const bool cancel = (type() == kRecordingServiceModelId && method_id == kRecordingServiceCancelRecord) ||
                      (type() == kRecordingStateListenerModelId && method_id == kRecordingStateListenerCancelRecord);
  if (cancel) kovani_common::utils::record::SetQuickRecordRunning(false);
  std::lock_guard lock(mutex_);
  told_.push_back({method_id, args});
  return true;
}

std::vector<RecordingStateModel::Told> RecordingStateModel::told() const {
  std::lock_guard lock(mutex_);
  return told_;
}

void RecordingStateModel::Announce(int32_t event_id, const Variant& payload) { FireEvent(event_id, payload); }

}  // namespace host::app
