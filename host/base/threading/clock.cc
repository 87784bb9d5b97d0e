#include "host/base/threading/clock.h"

#include <chrono>

namespace base {

int64_t SystemClock::SteadyMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::WallMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

namespace clock {
namespace {
const SystemClock g_system_clock;
std::atomic<const Clock*> g_clock{&g_system_clock};
std::atomic<int64_t> g_server_offset_ms{0};
}  // namespace

const Clock& Get() { return *g_clock.load(); }
int64_t SteadyMs() { return Get().SteadyMs(); }
int64_t WallMs() { return Get().WallMs(); }
int64_t WallSeconds() { return WallMs() / 1000; }
void SetServerOffsetMs(int64_t offset_ms) { g_server_offset_ms = offset_ms; }
int64_t ServerMs() { return WallMs() + g_server_offset_ms.load(); }
void SetForTesting(const Clock* clock) { g_clock = clock ? clock : &g_system_clock; }
}  // namespace clock

}  // namespace base
