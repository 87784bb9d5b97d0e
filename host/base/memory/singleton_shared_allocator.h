#pragma once

#include <memory>
#include <mutex>

namespace base {

// Hands out one shared instance of T while anybody holds it, and a fresh one after everybody let
// go, so a singleton's lifetime follows its users instead of the process.
template <typename T>
class SingletonSharedAllocator {
 public:
  static std::shared_ptr<T> Get() {
    static std::mutex mutex;
    static std::weak_ptr<T> weak;
    std::lock_guard lock(mutex);
    auto instance = weak.lock();
    if (!instance) {
      instance = std::make_shared<T>();
      weak = instance;
    }
    return instance;
  }
};

}  // namespace base
