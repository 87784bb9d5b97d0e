// A module library for the module-library tests: its Deactivate leaves work on the worker looper
// whose answer goes back to the main looper, as a module's database requests do. Both steps run
// code of this library and mark the process environment when they do.

#include <cstdlib>

#include "host/base/threading/looper.h"

extern "C" __attribute__((visibility("default"))) int Activate() { return 0; }

extern "C" __attribute__((visibility("default"))) void Deactivate() {
  using base::threading::LooperThread;
  auto* main = LooperThread::MainLooper();
  LooperThread::WorkerLooper()->PostTask(
      [main] {
        setenv("QUEUED_WORK_MODULE_WORK", "ran", 1);
        main->PostTask([] { setenv("QUEUED_WORK_MODULE_ANSWER", "ran", 1); }, FROM_HERE);
      },
      FROM_HERE);
}
