#pragma once

#include <cstdint>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace quick_record {

// The warning shown during a recording once the cloud space has run out: visible while the
// space has run out and the recording runs, hidden while paused. Its texts and colours come from
// the host configuration (section "quick_record_space_runout"). While shown it counts down
// "count_down_seconds" (default 60) and then folds to its collapsed text. Main thread.
class QuickRecordSpaceRunoutCountingViewModel : public framework::StatefulViewModel {
 public:
  static constexpr int kActionUpgrade = 1;
  static constexpr int32_t kPropertyVisible = 1;  // bool
  static constexpr int32_t kPropertyContent = 2;  // the configured texts and colours
  static constexpr int32_t kPropertySecondsLeft = 3;
  static constexpr int32_t kPropertyCollapsed = 4;  // bool: the count-down has ended
  static constexpr int32_t kPropertyOpenInApp = 5;  // the address to show inside the client
  static constexpr char kConfigSection[] = "quick_record_space_runout";
  static constexpr int32_t kDefaultCountDownSeconds = 60;

  // `space_model` and `recorder_model` for tests; by default the module's own.
  explicit QuickRecordSpaceRunoutCountingViewModel(std::shared_ptr<framework::ModelImpl> space_model = nullptr,
                                                   std::shared_ptr<framework::ModelImpl> recorder_model = nullptr);
  ~QuickRecordSpaceRunoutCountingViewModel() override;

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  bool visible() const { return visible_; }

 private:
  void UpdateVisibility();
  void StartCountDown();
  void HandleCountDownOver();

  const framework::SubscriberId subscriber_id_;
  std::shared_ptr<framework::ModelImpl> space_model_;
  std::shared_ptr<framework::ModelImpl> recorder_model_;
  bool run_out_ = false;
  int32_t record_state_ = 0;
  bool visible_ = false;
  int32_t seconds_left_ = 0;
  std::shared_ptr<base::threading::Timer> count_down_timer_;
};

}  // namespace quick_record
