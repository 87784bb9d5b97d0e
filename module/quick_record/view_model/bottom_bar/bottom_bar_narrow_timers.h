#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/base/variant/variant.h"

namespace quick_record {

// Collapses the control bar to a narrow strip when nobody is using it: 3 s after the recording
// starts, resumes or its window comes back, and 500 ms after the pointer leaves the bar. The
// pointer over the bar widens it at once. A paused bar stays wide, so its buttons are at hand.
//
// Main thread: the timers fire on the looper that made them.
class BottomBarNarrowTimers {
 public:
  static constexpr int64_t kNarrowMs = 3000;
  static constexpr int64_t kLeaveMs = 500;

  // `publish` tells the view the bar's new width (true: narrow).
  explicit BottomBarNarrowTimers(std::function<void(bool narrow)> publish);
  ~BottomBarNarrowTimers();

  // After start and restore.
  void StartNarrowTimer();
  // The pointer left the bar, or the recording resumed from a click on it.
  void StartLeaveTimer();
  // The view's hover action: a bool, true while the pointer is over the bar.
  void HandleHoverBottomBar(const base::variant::Variant* payload, bool paused);
  void Stop();

  bool narrow() const { return narrow_; }

 private:
  void SetNarrow(bool narrow);

  const std::function<void(bool)> publish_;
  bool narrow_ = false;
  // Each timer's task reaches this object through a raw pointer: the timers are owned here only,
  // and a timer that no one owns never fires.
  std::shared_ptr<base::threading::Timer> narrow_timer_;
  std::shared_ptr<base::threading::Timer> leave_timer_;
};

}  // namespace quick_record
