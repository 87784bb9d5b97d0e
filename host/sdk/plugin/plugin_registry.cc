#include "host/sdk/plugin/plugin_registry.h"

#include "host/base/logging/logger.h"

namespace kovanisdk::plugin {
namespace {

struct Registration {
  std::unique_ptr<PluginModuleBuilder> builder;
  std::shared_ptr<PluginModuleImpl> module;
};

struct Registry {
  std::recursive_mutex mutex;
  std::map<std::string, Registration> modules;
};

Registry& GetRegistry() {
  static auto* registry = new Registry;
  return *registry;
}

}  // namespace

PluginInstanceImpl::~PluginInstanceImpl() = default;

bool PluginInstanceImpl::Call(int32_t, const Variant&, Variant*) { return false; }

void PluginInstanceImpl::SubscribeEvent(int32_t event_id, framework::SubscriberId subscriber,
                                        framework::EventCallback callback) {
  std::lock_guard lock(mutex_);
  subscribers_[event_id][subscriber] = std::move(callback);
}

void PluginInstanceImpl::UnsubscribeEvent(int32_t event_id, framework::SubscriberId subscriber) {
  std::lock_guard lock(mutex_);
  subscribers_[event_id].erase(subscriber);
}

void PluginInstanceImpl::FireEvent(int32_t event_id, const Variant& payload) {
  std::vector<framework::EventCallback> callbacks;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, callback] : subscribers_[event_id]) callbacks.push_back(callback);
  }
  for (auto& callback : callbacks) callback(event_id, payload);
}

PluginModuleImpl::~PluginModuleImpl() = default;

void PluginModuleImpl::DidUnload() {
  std::map<std::string, std::shared_ptr<PluginInstanceImpl>> instances;
  {
    std::lock_guard lock(mutex_);
    instances.swap(instances_);
  }
  for (auto& [name, instance] : instances) instance->DidDestroy();
}

std::shared_ptr<PluginInstanceImpl> PluginModuleImpl::GetInterface(const char* name) {
  std::lock_guard lock(mutex_);
  const std::string key = name ? name : "";
  if (auto it = instances_.find(key); it != instances_.end()) return it->second;
  auto instance = CreateInterface(key.c_str());
  if (!instance) return nullptr;
  instance->set_name(key);
  instances_.emplace(key, instance);
  instance->DidCreate();
  return instance;
}

std::vector<std::string> PluginModuleImpl::CreatedInterfaces() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [name, instance] : instances_) names.push_back(name);
  return names;
}

bool RegisterPluginModule(const std::string& module_id, PluginModuleBuilder* builder) {
  std::unique_ptr<PluginModuleBuilder> owned(builder);
  if (!owned || module_id.empty()) return false;
  auto& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  auto& registration = registry.modules[module_id];
  if (registration.module) registration.module->DidUnload();
  registration = Registration{std::move(owned), nullptr};
  return true;
}

bool UnregisterPluginModule(const std::string& module_id) {
  Registration registration;
  {
    auto& registry = GetRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.modules.find(module_id);
    if (it == registry.modules.end()) return false;
    registration = std::move(it->second);
    registry.modules.erase(it);
  }
  if (registration.module) registration.module->DidUnload();
  return true;
}

bool QueryPluginInterface(const std::string& module_id, const std::string& name,
                          std::shared_ptr<PluginInstanceImpl>* out) {
  if (!out) return false;
  out->reset();
  auto& registry = GetRegistry();
  std::shared_ptr<PluginModuleImpl> module;
  {
    std::lock_guard lock(registry.mutex);
    auto it = registry.modules.find(module_id);
    if (it == registry.modules.end()) return false;
    if (!it->second.module) {
      it->second.module = it->second.builder->Build(module_id.c_str());
      if (!it->second.module) {
        KLOG(3) << "plug-in builder made no module for " << module_id;
        return false;
      }
      it->second.module->DidLoad();
    }
    module = it->second.module;
  }
  *out = module->GetInterface(name.c_str());
  return *out != nullptr;
}

std::vector<PluginModuleState> ListPluginModules() {
  auto& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  std::vector<PluginModuleState> states;
  for (const auto& [id, registration] : registry.modules) {
    states.push_back({id, registration.module != nullptr,
                      registration.module ? registration.module->CreatedInterfaces() : std::vector<std::string>{}});
  }
  return states;
}

}  // namespace kovanisdk::plugin
