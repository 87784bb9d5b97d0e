#include "objects/blob_directory.h"

#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "common/crypto.h"
#include "common/file_util.h"
#include "common/log.h"

namespace qr_backend {

namespace fs = std::filesystem;

// Shared by the directory and its pins; its thread unlinks what is queued and ends with it.
struct BlobDirectory::Pin::Registry {
  Registry() : thread([this] { Run(); }) {}
  ~Registry() {
    {
      std::lock_guard lock(mutex);
      stop = true;
    }
    changed.notify_all();
    thread.join();
  }

  // Call with `mutex` held.
  void Unlink(std::string path) {
    queue.push_back(std::move(path));
    changed.notify_all();
  }

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return stop || !queue.empty(); });
      if (queue.empty()) return;  // stopping, and nothing left to unlink
      const std::string path = std::move(queue.front());
      queue.pop_front();
      unlinking = true;
      lock.unlock();
      ::unlink(path.c_str());
      lock.lock();
      unlinking = false;
      changed.notify_all();
    }
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::unordered_map<std::string, int> pins;  // path -> pins held
  std::unordered_set<std::string> doomed;     // removed while pinned
  std::deque<std::string> queue;              // to unlink
  bool unlinking = false;
  bool stop = false;
  std::thread thread;
};

BlobDirectory::Pin::Pin(std::shared_ptr<Registry> registry, std::vector<std::string> paths)
    : registry_(std::move(registry)), paths_(std::move(paths)) {}

BlobDirectory::Pin::~Pin() {
  std::lock_guard lock(registry_->mutex);
  for (std::string& path : paths_) {
    const auto it = registry_->pins.find(path);
    if (--it->second > 0) continue;
    registry_->pins.erase(it);
    if (registry_->doomed.erase(path) > 0) registry_->Unlink(std::move(path));
  }
}

BlobDirectory::BlobDirectory(std::string root)
    : root_(std::move(root)), registry_(std::make_shared<Pin::Registry>()) {}

BlobDirectory::~BlobDirectory() = default;

bool BlobDirectory::Prepare(std::string* error) {
  std::error_code ec;
  fs::create_directories(root_ + "/blobs", ec);
  if (!ec) fs::remove_all(root_ + "/tmp", ec);
  if (!ec) fs::create_directories(root_ + "/tmp", ec);
  if (ec) {
    *error = "cannot prepare " + root_ + ": " + ec.message();
    return false;
  }
  return true;
}

size_t BlobDirectory::Sweep(const std::set<std::string>& keep) {
  std::error_code ec;
  size_t removed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root_ + "/blobs", ec)) {
    if (entry.is_regular_file() && !keep.count(entry.path().filename().string())) {
      removed += fs::remove(entry.path(), ec);
    }
  }
  return removed;
}

std::string BlobDirectory::PathOf(const std::string& name) const {
  return root_ + "/blobs/" + name.substr(0, 2) + "/" + name;
}

std::unique_ptr<BlobWriter> BlobDirectory::NewWriter() {
  auto writer = std::make_unique<BlobWriter>(root_ + "/tmp/" + RandomHex(12));
  if (!writer->ok()) {
    LogWarning("cannot create a file under " + root_ + "/tmp");
    return nullptr;
  }
  return writer;
}

std::optional<std::string> BlobDirectory::Publish(BlobWriter& writer) {
  if (!writer.Finish()) return std::nullopt;
  const std::string name = RandomHex(12);
  const std::string path = PathOf(name);
  const std::string directory = fs::path(path).parent_path().string();
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec || ::rename(writer.temp_path().c_str(), path.c_str()) != 0) {
    LogWarning("cannot publish " + writer.temp_path());
    return std::nullopt;
  }
  writer.Release();
  SyncDirectory(directory);
  return name;
}

std::shared_ptr<const BlobDirectory::Pin> BlobDirectory::PinFiles(
    const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  paths.reserve(names.size());
  std::lock_guard lock(registry_->mutex);
  for (const std::string& name : names) {
    paths.push_back(PathOf(name));
    ++registry_->pins[paths.back()];
  }
  return std::shared_ptr<const Pin>(new Pin(registry_, std::move(paths)));
}

void BlobDirectory::Remove(const std::vector<std::string>& names) {
  std::lock_guard lock(registry_->mutex);
  for (const std::string& name : names) {
    std::string path = PathOf(name);
    if (registry_->pins.count(path)) {
      registry_->doomed.insert(std::move(path));
    } else {
      registry_->Unlink(std::move(path));
    }
  }
}

void BlobDirectory::WaitForRemovals() {
  std::unique_lock lock(registry_->mutex);
  registry_->changed.wait(lock,
                          [this] { return registry_->queue.empty() && !registry_->unlinking; });
}

}  // namespace qr_backend
