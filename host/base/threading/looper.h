#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
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

  void PostTask(Task task, const Location& from);
  void PostDelayedTask(Task task, int64_t delay_ms, const Location& from);
  // True on the thread that is running this looper's tasks right now (or, for the main looper,
  // the thread that owns it).
  bool RunsTasksOnCurrentThread() const;

  // Runs tasks on the calling thread until Quit(); that thread becomes this looper's thread.
  void Run();
  void Quit();

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

  const std::string name_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue_;
  bool quit_ = false;
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
