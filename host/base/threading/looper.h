#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "host/base/location.h"

namespace base::threading {

using Task = std::function<void()>;

// A queue of tasks, each due at a time of the clock, run one at a time in (due time, posting
// order). A looper is driven either by a thread in Run() or, in tests, task by task by the task
// environment on the test thread.
class Looper {
 public:
  explicit Looper(std::string name);
  ~Looper();
  Looper(const Looper&) = delete;
  Looper& operator=(const Looper&) = delete;

  const std::string& name() const { return name_; }

  // An id for Cancel(); ids are unique across loopers, so cancelling one on the wrong looper does
  // nothing.
  using TaskId = uint64_t;
  static constexpr TaskId kNoTask = UINT64_MAX;

  void PostTask(Task task, const Location& from);
  TaskId PostDelayedTask(Task task, int64_t delay_ms, const Location& from);
  // Removes the task if it is still queued and destroys it before returning (outside the queue's
  // lock), so whatever it captured goes now rather than when it would have been due. Answers
  // whether it was queued.
  bool Cancel(TaskId id);
  // True on the thread that is running this looper's tasks right now (or, for the main looper,
  // the thread that owns it).
  bool RunsTasksOnCurrentThread() const;

  // Runs tasks on the calling thread until Quit(); that thread becomes this looper's thread.
  void Run();
  void Quit();
  // A new thread that runs this looper; counted as running from this call on, so a Flush() right
  // after it waits for that thread instead of running its tasks here.
  std::thread RunOnNewThread();

  // Returns once every task posted before the call and due by then has run; later and delayed
  // tasks stay queued. Runs them on the calling thread when that is the looper's own thread or no
  // thread runs the looper (the task environment), else waits for the looper's thread to reach
  // them. Answers how many it ran on the calling thread.
  size_t Flush();

  // Manual driving, for the task environment.
  struct Due {
    int64_t due_ms;
    uint64_t sequence;
  };
  std::optional<Due> NextDue() const;
  // Runs the first task if it is due at `now_ms`; returns whether one ran.
  bool RunOneTask(int64_t now_ms);
  size_t PendingCount() const;
  // Drops every pending task without running it.
  void Clear();

  // Marks the calling thread as this looper's thread, also outside of tasks.
  void BindToCurrentThread();

 private:
  struct Entry {
    int64_t due_ms;
    uint64_t sequence;
    Task task;
    Location from;
    bool operator>(const Entry& other) const {
      return due_ms != other.due_ms ? due_ms > other.due_ms : sequence > other.sequence;
    }
  };

  void RunTask(Entry& entry);
  // Runs the first task if it was posted before `sequence` and is due at `now_ms`.
  bool RunOneTaskBefore(uint64_t sequence, int64_t now_ms);

  const std::string name_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue_;
  bool quit_ = false;
  // A thread is inside Run(): Flush() waits for it rather than running its tasks.
  std::atomic<bool> running_{false};
};

// The host's well-known loopers. Installed by the host application (real threads) or by the
// test task environment (mock time).
class LooperThread {
 public:
  static Looper* MainLooper();
  static Looper* WorkerLooper();
  static Looper* IOLooper();
  // The looper whose task is running on this thread, or the looper bound to this thread;
  // null on threads that belong to no looper.
  static Looper* CurrentLooper();

  static void Install(Looper* main, Looper* worker, Looper* io);
  static void Uninstall();
};

}  // namespace base::threading
