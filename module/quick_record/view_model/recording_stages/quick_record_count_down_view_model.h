#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace quick_record {

// The 3-2-1 before a recording starts: one number every 800 ms with a tick sound, then the end
// sound and a 500 ms end animation, after which the page that opened it gets the result.
//   idle -> counting (3, 2, 1) -> ending (500 ms) -> idle;  cancel: counting or ending -> idle
// Opened with {"show": true} as router parameters (as the new-recording page opens it) it starts
// by itself; its view only draws it and may cancel. Main thread.
class QuickRecordCountDownViewModel : public framework::StatefulViewModel {
 public:
  // Actions; each takes a map payload (a missing payload is refused).
  static constexpr int kActionStart = 1;
  static constexpr int kActionCancel = 2;
  // Properties.
  static constexpr int32_t kPropertyViewData = 1;  // {"count_down_number", "count_down_txt", ..., "sound"}
  static constexpr int32_t kPropertyResult = 2;  // {"finished": bool}: true after the end, false when cancelled
  // Result codes for the page that opened the count-down.
  static constexpr int32_t kResultFinished = 0;
  static constexpr int32_t kResultCancelled = 1;
  using ResultHandler = std::function<void(int32_t result_code)>;

  static constexpr int32_t kStartNumber = 3;
  static constexpr int64_t kTickMs = 800;
  static constexpr int64_t kEndMs = 500;
  static constexpr char kTickSound[] = "countdown.mp3";
  static constexpr char kEndSound[] = "countdown_end.mp3";

  QuickRecordCountDownViewModel();
  ~QuickRecordCountDownViewModel() override;

  void Handle(int action, const base::variant::Variant* payload) override;
  void OnViewAttached() override;
  void OnViewDetached() override;
  // The opener's way to learn the result; called once per count-down, after kPropertyResult.
  void SetResultHandler(ResultHandler handler) { result_handler_ = std::move(handler); }

  int32_t number() const { return number_; }
  bool running() const { return running_; }

 private:
  void Start();
  void Tick();
  void Finish();
  void Cancel();
  void StopTimers();
  // A timer whose ticks run `step` while this view model lives.
  std::shared_ptr<base::threading::Timer> CreateStepTimer(void (QuickRecordCountDownViewModel::*step)());
  void PublishNumber();
  void ReportResult(bool finished);
  // Tells the session whether a count-down runs, so that no second recording starts meanwhile.
  static void SetSessionCountDown(bool running);

  int32_t number_ = kStartNumber;
  bool running_ = false;
  std::shared_ptr<base::threading::Timer> tick_timer_;
  std::shared_ptr<base::threading::Timer> end_timer_;
  ResultHandler result_handler_;
};

}  // namespace quick_record
