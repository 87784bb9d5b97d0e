#include "host/framework/module/scope_singleton_registry.h"

namespace framework {

ScopeSingletonRegistry& ScopeSingletonRegistry::GetInstance() {
  static ScopeSingletonRegistry registry;
  return registry;
}

void ScopeSingletonRegistry::Register(std::shared_ptr<void> object) {
  std::lock_guard lock(mutex_);
  objects_.push_back(std::move(object));
}

void ScopeSingletonRegistry::Clear() {
  std::vector<std::shared_ptr<void>> objects;
  {
    std::lock_guard lock(mutex_);
    objects.swap(objects_);
  }
  while (!objects.empty()) objects.pop_back();
}

size_t ScopeSingletonRegistry::size() const {
  std::lock_guard lock(mutex_);
  return objects_.size();
}

}  // namespace framework
