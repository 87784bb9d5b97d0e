#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/base/variant/variant.h"

namespace quick_record {

// The guide bubble over the control bar: shown for 8 s the first time a user ever sees the bar
// (the user configuration remembers it), and published hidden on later bars. Main thread.
class BottomBarToolbarGuide {
 public:
  static constexpr int64_t kGuideMs = 8000;
  static constexpr char kGuideShownKey[] = "quick_record.toolbar_guide.tips";

  // `publish` hands the view {"tips", "show"}.
  explicit BottomBarToolbarGuide(std::function<void(base::variant::Variant guide)> publish);
  ~BottomBarToolbarGuide();

  void ShowToolbarGuide();
  // The guide's time is over: hidden.
  void StopGuideTimer();
  // The bar goes: the timer stops and the view is left as it is.
  void Stop();

  bool shown() const { return shown_; }

 private:
  const std::function<void(base::variant::Variant)> publish_;
  bool shown_ = false;
  // Owned here only, so its task may reach this object through a raw pointer.
  std::shared_ptr<base::threading::Timer> guide_timer_;
};

}  // namespace quick_record
