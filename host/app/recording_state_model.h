#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host models that modules tell about their recording (1000018, the recording service; 10013).
// This host only records what it is told: every call is accepted and kept. A call carrying
// "record_state" also sets kovani_common::utils::record::IsQuickRecordRunning (2 recording and
// 3 paused count as running).
constexpr int32_t kRecordingServiceModelId = 1000018;
constexpr int32_t kRecordingStateListenerModelId = 10013;
constexpr int32_t kRecordingServiceRecordState = 23;  // the recorder-state map of the module
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
