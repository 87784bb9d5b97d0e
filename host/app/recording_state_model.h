#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host models that modules tell about their recording (1000018, the recording service; 10013,
// the recording-state listener). Every call is accepted and kept. A call carrying "record_state"
// sets kovani_common::utils::record::IsQuickRecordRunning (2 recording and 3 paused count as
// running); a cancellation clears it.
constexpr int32_t kRecordingServiceModelId = 1000018;
constexpr int32_t kRecordingStateListenerModelId = 10013;
constexpr int32_t kRecordingServiceRecordState = 23;  // the recorder-state map of the module
constexpr int32_t kRecordingServiceCancelRecord = 24;  // {"record_id"}: the user cancelled the recording
constexpr int32_t kRecordingStateListenerRecordState = 1;  // the same map as method 23 of 1000018
constexpr int32_t kRecordingStateListenerCancelRecord = 2;  // {"record_id"}
// Events of model 1000018 that the host announces: a forced cancellation of the quick
// recording, and a finished upload of a transcoded recording file.
constexpr int32_t kRecordingServiceForceCancellationEvent = 66;
constexpr int32_t kRecordingServiceUploadFileCompleteEvent = 60;

class RecordingStateModel : public framework::ModelImpl {
 public:
  struct Told {
    int32_t method_id;
    base::variant::Variant args;
  };

  explicit RecordingStateModel(int32_t model_id);

  bool Call(int32_t method_id, const base::variant::Variant& args, base::variant::Variant* result) override;
  std::vector<Told> told() const;
  // Publishes a host event to the model's subscribers.
  void Announce(int32_t event_id, const base::variant::Variant& payload);

 private:
  mutable std::mutex mutex_;
  std::vector<Told> told_;
};

}  // namespace host::app
