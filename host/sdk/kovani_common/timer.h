#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/location.h"
#include "host/base/threading/timer.h"

namespace kovani_common::utils::timer {

// A started timer on the calling thread's looper (the main looper when the thread has none):
// `task` runs after `delay_ms`, and then every `delay_ms` when `repeating`. Dropping the last
// reference or calling Stop() cancels it.
std::shared_ptr<base::threading::Timer> CreateTimer(int64_t delay_ms, bool repeating, std::function<void()> task,
                                                    const base::Location& from);

}  // namespace kovani_common::utils::timer
