#pragma once

#include <cstdint>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// Publishes the recorded duration once a second while recording: it includes the running
// segment and stands still while paused. Main thread; the state it follows may come from the
// engine's thread when an engine error stops the recording (the timer is safe to stop there).
class QuickRecordTimeModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kInvokeGetQuickRecordTotalTime = 0x1dba1760;  // -> milliseconds
  static constexpr int32_t kEventRecordTime = 392625660;  // milliseconds
  static constexpr int64_t kTickMs = 1000;

  // `recorder_model` for tests; by default the module's own.
  explicit QuickRecordTimeModel(std::shared_ptr<framework::ModelImpl> recorder_model = nullptr);
  ~QuickRecordTimeModel() override;

  void Init() override;
  void UnInit() override;
  bool timer_running() const { return timer_ != nullptr; }

 private:
  void HandleRecordState(int32_t state);
  // The recorder's recorded milliseconds; false without a recorder.
  bool ReadRecordedDuration(int64_t* ms) const;

  const framework::SubscriberId subscriber_id_;
  std::shared_ptr<framework::ModelImpl> recorder_model_;
  // Exists only while recording.
  std::shared_ptr<base::threading::Timer> timer_;
};

}  // namespace quick_record
