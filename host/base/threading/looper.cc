#include "host/base/threading/looper.h"

#include <atomic>
#include <chrono>
#include <future>

#include "host/base/threading/clock.h"

namespace base::threading {
namespace {

std::atomic<uint64_t> g_sequence{0};
thread_local Looper* t_current_looper = nullptr;

std::atomic<Looper*> g_main{nullptr};
std::atomic<Looper*> g_worker{nullptr};
std::atomic<Looper*> g_io{nullptr};

class ScopedCurrentLooper {
 public:
  explicit ScopedCurrentLooper(Looper* looper) : previous_(t_current_looper) { t_current_looper = looper; }
  ~ScopedCurrentLooper() { t_current_looper = previous_; }

 private:
  Looper* previous_;
};

}  // namespace

Looper::Looper(std::string name) : name_(std::move(name)) {}

Looper::~Looper() {
  if (t_current_looper == this) t_current_looper = nullptr;
}

void Looper::PostTask(Task task, const Location& from) { PostDelayedTask(std::move(task), 0, from); }

Looper::TaskId Looper::PostDelayedTask(Task task, int64_t delay_ms, const Location& from) {
  if (!task) return kNoTask;
  const int64_t due = clock::SteadyMs() + std::max<int64_t>(delay_ms, 0);
  TaskId id;
  {
    std::lock_guard lock(mutex_);
    id = g_sequence.fetch_add(1);
    queue_.push(Entry{due, id, std::move(task), from});
  }
  wake_.notify_one();
  return id;
}

bool Looper::Cancel(TaskId id) {
  if (id == kNoTask) return false;
  std::vector<Entry> kept;
  Task cancelled;
  {
    std::lock_guard lock(mutex_);
    kept.reserve(queue_.size());
    while (!queue_.empty()) {
      Entry& top = const_cast<Entry&>(queue_.top());
      if (top.sequence == id) {
        cancelled = std::move(top.task);
      } else {
        kept.push_back(std::move(top));
      }
      queue_.pop();
    }
    queue_ = decltype(queue_)(std::greater<>(), std::move(kept));
  }
  return static_cast<bool>(cancelled);
}

bool Looper::RunsTasksOnCurrentThread() const { return t_current_looper == this; }

void Looper::BindToCurrentThread() { t_current_looper = this; }

void Looper::RunTask(Entry& entry) {
  ScopedCurrentLooper current(this);
  entry.task();
}

void Looper::Run() {
  BindToCurrentThread();
  running_ = true;
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (queue_.empty()) {
      wake_.wait(lock);
      continue;
    }
    const int64_t wait_ms = queue_.top().due_ms - clock::SteadyMs();
    if (wait_ms > 0) {
      wake_.wait_for(lock, std::chrono::milliseconds(wait_ms));
      continue;
    }
    Entry entry = std::move(const_cast<Entry&>(queue_.top()));
    queue_.pop();
    lock.unlock();
    RunTask(entry);
    lock.lock();
  }
  // Reset on the way out, not on the way in, so a Quit() that came before Run() is not lost.
  quit_ = false;
  running_ = false;
}

std::thread Looper::RunOnNewThread() {
  running_ = true;
  return std::thread([this] { Run(); });
}

void Looper::Quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

std::optional<Looper::Due> Looper::NextDue() const {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return std::nullopt;
  return Due{queue_.top().due_ms, queue_.top().sequence};
}

bool Looper::RunOneTask(int64_t now_ms) { return RunOneTaskBefore(UINT64_MAX, now_ms); }

size_t Looper::Flush() {
  const uint64_t limit = g_sequence.load();
  const int64_t now = clock::SteadyMs();
  if (running_ && !RunsTasksOnCurrentThread()) {
    auto reached = std::make_shared<std::promise<void>>();
    std::future<void> marker = reached->get_future();
    PostTask([reached] { reached->set_value(); }, FROM_HERE);
    // A looper that stops before it reaches the marker leaves the rest to this thread.
    while (marker.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      if (!running_) break;
    }
    if (marker.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready) return 0;
  }
  size_t ran = 0;
  while (RunOneTaskBefore(limit, now)) ++ran;
  return ran;
}

bool Looper::RunOneTaskBefore(uint64_t sequence, int64_t now_ms) {
  Entry entry;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty() || queue_.top().due_ms > now_ms || queue_.top().sequence >= sequence) return false;
    entry = std::move(const_cast<Entry&>(queue_.top()));
    queue_.pop();
  }
  RunTask(entry);
  return true;
}

size_t Looper::PendingCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void Looper::Clear() {
  decltype(queue_) dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(queue_);
  }
}

Looper* LooperThread::MainLooper() { return g_main.load(); }
Looper* LooperThread::WorkerLooper() { return g_worker.load(); }
Looper* LooperThread::IOLooper() { return g_io.load(); }
Looper* LooperThread::CurrentLooper() { return t_current_looper; }

void LooperThread::Install(Looper* main, Looper* worker, Looper* io) {
  g_main = main;
  g_worker = worker;
  g_io = io;
}

void LooperThread::Uninstall() { Install(nullptr, nullptr, nullptr); }

}  // namespace base::threading
