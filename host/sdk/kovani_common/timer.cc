#include "host/sdk/kovani_common/timer.h"

namespace kovani_common::utils::timer {

std::shared_ptr<base::threading::Timer> CreateTimer(int64_t delay_ms, bool repeating, std::function<void()> task,
                                                    const base::Location& from) {
  auto timer = base::threading::CreateTimer(std::move(task), from);
  timer->Start(delay_ms, repeating);
  return timer;
}

}  // namespace kovani_common::utils::timer
