#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace qr_backend {

class ObjectStore;

// Carries the whole-object digests of multipart uploads forward on a thread of its own, part
// by part as they arrive, so that neither a part upload nor the completion waits for it.
// Work it has not done when the server stops is done by the completion instead.
class DigestWorker {
 public:
  explicit DigestWorker(ObjectStore& store);
  // Stops after the part in hand; what is still queued is dropped.
  ~DigestWorker();
  DigestWorker(const DigestWorker&) = delete;
  DigestWorker& operator=(const DigestWorker&) = delete;

  // The upload got a part: digest whatever has become ready.
  void Schedule(const std::string& upload_id);
  // Returns once everything scheduled so far is done.
  void WaitUntilIdle();

 private:
  void Run();

  ObjectStore& store_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> queue_;
  bool busy_ = false;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
};

}  // namespace qr_backend
