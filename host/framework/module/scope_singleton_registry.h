#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace framework {

// Objects whose lifetime ends with the host's scope rather than with their module's runtime.
// The host clears the registry before it unloads module libraries, so their destructors still
// have code to run.
class ScopeSingletonRegistry {
 public:
  static ScopeSingletonRegistry& GetInstance();
  void Register(std::shared_ptr<void> object);
  // Destroys the objects, newest first.
  void Clear();
  size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<void>> objects_;
};

}  // namespace framework
