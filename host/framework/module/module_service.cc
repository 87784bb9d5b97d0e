#include "host/framework/module/module_service.h"

#include "host/base/logging/logger.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/navigation/navigator_service.h"

namespace framework::module {

void ModuleService::RegisterModuleRuntimeFactory(const std::string& module_name, RuntimeFactory factory) {
  std::lock_guard lock(mutex_);
  modules_[module_name].factory = std::move(factory);
}

void ModuleService::RegisterModuleLoaderCallbacks(const std::string& module_name, SetupCallback setup,
                                                  TeardownCallback teardown) {
  std::lock_guard lock(mutex_);
  auto& entry = modules_[module_name];
  entry.setup = std::move(setup);
  entry.teardown = std::move(teardown);
  entry.setup_done = false;
}

void ModuleService::UnregisterModule(const std::string& module_name) {
  Entry entry;
  {
    std::lock_guard lock(mutex_);
    auto it = modules_.find(module_name);
    if (it == modules_.end()) return;
    entry = std::move(it->second);
    modules_.erase(it);
  }
  // Pages hold the module's view models: close them before the models go. Extensions are
  // un-initialised by the runtime's provider while the host still holds them, then dropped.
  GetNavigatorService().UnregisterModule(module_name);
  if (entry.runtime && entry.runtime->IsActivated()) entry.runtime->Unactivate();
  GetExtensionService().RemoveModule(module_name);
  if (entry.setup_done && entry.teardown) entry.teardown();
  KLOG(6) << "module unregistered: " << module_name;
}

ModuleRuntimeBaseImpl* ModuleService::GetModuleRuntime(const std::string& module_name) {
  RuntimeFactory factory;
  {
    std::lock_guard lock(mutex_);
    auto it = modules_.find(module_name);
    if (it == modules_.end() || !it->second.factory) return nullptr;
    factory = it->second.factory;
  }
  ModuleRuntimeBaseImpl* runtime = factory();
  if (!runtime) return nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = modules_.find(module_name);
    if (it != modules_.end()) it->second.runtime = runtime;
  }
  if (!runtime->IsActivated()) runtime->Activate();
  return runtime;
}

bool ModuleService::HasModule(const std::string& module_name) const {
  std::lock_guard lock(mutex_);
  return modules_.count(module_name) > 0;
}

std::vector<std::string> ModuleService::ModuleNames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (const auto& [name, entry] : modules_) names.push_back(name);
  return names;
}

void ModuleService::RunLoaderSetup(const base::variant::Variant& context) {
  std::vector<std::pair<std::string, SetupCallback>> pending;
  {
    std::lock_guard lock(mutex_);
    for (auto& [name, entry] : modules_) {
      if (entry.setup && !entry.setup_done) {
        entry.setup_done = true;
        pending.emplace_back(name, entry.setup);
      }
    }
  }
  for (auto& [name, setup] : pending) setup(context);
}

void ModuleService::SetAppRuntime(ModuleRuntimeBaseImpl* runtime) {
  std::lock_guard lock(mutex_);
  app_runtime_ = runtime;
}

ModuleRuntimeBaseImpl* ModuleService::GetAppRuntime() const {
  std::lock_guard lock(mutex_);
  return app_runtime_;
}

void ModuleService::Reset() {
  std::lock_guard lock(mutex_);
  modules_.clear();
  app_runtime_ = nullptr;
}

ModuleService& GetModuleService() {
  static ModuleService service;
  return service;
}

std::shared_ptr<ModelImpl> GetAppModuleModel(int32_t model_id) {
  ModuleRuntimeBaseImpl* app = GetModuleService().GetAppRuntime();
  if (!app) return nullptr;
  ModelProviderBaseImpl* provider = app->GetModelProvider();
  return provider ? provider->ModelOf(model_id) : nullptr;
}

}  // namespace framework::module
