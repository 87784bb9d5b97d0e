#include "host/base/threading/host_loopers.h"

#include "host/base/threading/clock.h"

namespace base::threading {

HostLoopers::HostLoopers() {
  main_.BindToCurrentThread();
  LooperThread::Install(&main_, &worker_, &io_);
  worker_thread_ = worker_.RunOnNewThread();
  io_thread_ = io_.RunOnNewThread();
}

HostLoopers::~HostLoopers() {
  worker_.Quit();
  io_.Quit();
  worker_thread_.join();
  io_thread_.join();
  LooperThread::Uninstall();
  // Pending closures may own objects whose destructors post tasks; drop them after uninstalling.
  main_.Clear();
  worker_.Clear();
  io_.Clear();
}

void HostLoopers::RunMainLoop() { main_.Run(); }

void HostLoopers::QuitMainLoop() { main_.Quit(); }

bool HostLoopers::RunMainLoopUntil(const std::function<bool()>& done, int64_t timeout_ms) {
  const int64_t deadline = clock::SteadyMs() + timeout_ms;
  bool reached = done();
  while (!reached && clock::SteadyMs() < deadline) {
    // A short tick keeps the predicate checked even when it depends on other threads.
    main_.PostDelayedTask([this] { main_.Quit(); }, 5, FROM_HERE);
    main_.Run();
    reached = done();
  }
  return reached;
}

}  // namespace base::threading
