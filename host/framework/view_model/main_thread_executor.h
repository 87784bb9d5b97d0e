#pragma once

#include <cstdint>
#include <functional>

#include "host/base/location.h"

namespace framework {

// Posts work to the host's main thread.
class MainThreadExecutor {
 public:
  static MainThreadExecutor* GetInstance();
  void PostTask(std::function<void()> task, const base::Location& from);
  void PostDelayedTask(std::function<void()> task, int64_t delay_ms, const base::Location& from);
  bool IsMainThread() const;
};

}  // namespace framework
