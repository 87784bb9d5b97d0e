#pragma once

#include <functional>
#include <memory>
#include <type_traits>

#include "host/base/async/async_task_scope.h"
#include "host/base/location.h"
#include "host/base/threading/looper.h"

namespace base::async {

// Runs `work` on the worker looper, then `done` with its result on the looper that posted it
// (the main looper when the caller's thread has none).
class Async {
 public:
  template <typename Work, typename Done>
  static void PostTask(Work work, Done done, const Location& from) {
    using Result = std::invoke_result_t<Work>;
    threading::Looper* reply_looper = threading::LooperThread::CurrentLooper();
    if (!reply_looper) reply_looper = threading::LooperThread::MainLooper();
    threading::Looper* worker = threading::LooperThread::WorkerLooper();
    if (!worker || !reply_looper) return;
    worker->PostTask(
        [work = std::move(work), done = std::move(done), reply_looper, from]() mutable {
          if constexpr (std::is_void_v<Result>) {
            work();
            reply_looper->PostTask([done = std::move(done)]() mutable { done(); }, from);
          } else {
            auto result = std::make_shared<Result>(work());
            reply_looper->PostTask([done = std::move(done), result]() mutable { done(std::move(*result)); }, from);
          }
        },
        from);
  }

  // Like PostTask, but `done` is dropped when `scope` is destroyed before the work finishes.
  template <typename Work, typename Done>
  static void PostTask(const AsyncTaskScope& scope, Work work, Done done, const Location& from) {
    PostTask(std::move(work), scope.Wrap(std::move(done)), from);
  }
};

}  // namespace base::async
