#include "host/framework/view_model/main_thread_executor.h"

#include "host/base/threading/looper.h"

namespace framework {

using base::threading::LooperThread;

MainThreadExecutor* MainThreadExecutor::GetInstance() {
  static MainThreadExecutor instance;
  return &instance;
}

void MainThreadExecutor::PostTask(std::function<void()> task, const base::Location& from) {
  PostDelayedTask(std::move(task), 0, from);
}

void MainThreadExecutor::PostDelayedTask(std::function<void()> task, int64_t delay_ms, const base::Location& from) {
  if (auto* main = LooperThread::MainLooper()) main->PostDelayedTask(std::move(task), delay_ms, from);
}

bool MainThreadExecutor::IsMainThread() const {
  auto* main = LooperThread::MainLooper();
  return main && main->RunsTasksOnCurrentThread();
}

}  // namespace framework
