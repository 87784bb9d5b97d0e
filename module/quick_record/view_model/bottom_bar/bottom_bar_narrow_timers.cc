#include "module/quick_record/view_model/bottom_bar/bottom_bar_narrow_timers.h"

#include <utility>

#include "host/base/logging/logger.h"

namespace quick_record {

BottomBarNarrowTimers::BottomBarNarrowTimers(std::function<void(bool narrow)> publish)
    : publish_(std::move(publish)),
      narrow_timer_(base::threading::CreateTimer(
          [this] {
            KLOG(6) << "narrow timer expire.";
            SetNarrow(true);
          },
          FROM_HERE)),
      leave_timer_(base::threading::CreateTimer(
          [this] {
            KLOG(6) << "unhover narrow timer expire.";
            SetNarrow(true);
          },
          FROM_HERE)) {}

BottomBarNarrowTimers::~BottomBarNarrowTimers() { Stop(); }

void BottomBarNarrowTimers::StartNarrowTimer() { narrow_timer_->Start(kNarrowMs, /*repeating=*/false); }

void BottomBarNarrowTimers::HandleHoverBottomBar(const base::variant::Variant* payload, bool paused) {
  if (!payload) {
    KLOG(3) << "params is null.";
    return;
  }
  if (!payload->IsBool()) {
    KLOG(3) << "params is not bool.";
    return;
  }
  if (payload->AsBool()) {
    Stop();
    SetNarrow(false);
  } else if (!paused) {
    StartLeaveTimer();
  }
}

void BottomBarNarrowTimers::Stop() {
  narrow_timer_->Stop();
  leave_timer_->Stop();
}

void BottomBarNarrowTimers::StartLeaveTimer() { leave_timer_->Start(kLeaveMs, /*repeating=*/false); }

void BottomBarNarrowTimers::SetNarrow(bool narrow) {
  narrow_ = narrow;
  publish_(narrow);
}

}  // namespace quick_record
