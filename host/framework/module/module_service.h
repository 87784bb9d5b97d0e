#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"
#include "host/framework/module/module_runtime_base_impl.h"

namespace framework::module {

using RuntimeFactory = std::function<ModuleRuntimeBaseImpl*()>;
using SetupCallback = std::function<void(const base::variant::Variant& context)>;
using TeardownCallback = std::function<void()>;

// The host's registry of modules: runtime factories, UI loader hooks and the application's own
// runtime (whose model provider serves the host models by id).
class ModuleService {
 public:
  void RegisterModuleRuntimeFactory(const std::string& module_name, RuntimeFactory factory);
  void RegisterModuleLoaderCallbacks(const std::string& module_name, SetupCallback setup, TeardownCallback teardown);
  // Un-activates the module's runtime (if the host obtained one), runs its tear-down hook and
  // forgets the module. The runtime object itself belongs to the module.
  void UnregisterModule(const std::string& module_name);

  // The module's runtime from its factory, activated on first request; null for unknown modules.
  ModuleRuntimeBaseImpl* GetModuleRuntime(const std::string& module_name);
  bool HasModule(const std::string& module_name) const;
  std::vector<std::string> ModuleNames() const;
  // Runs the set-up hook of every registered module that has not run it yet.
  void RunLoaderSetup(const base::variant::Variant& context);

  void SetAppRuntime(ModuleRuntimeBaseImpl* runtime);
  ModuleRuntimeBaseImpl* GetAppRuntime() const;

  // Drops everything (tests, host shutdown).
  void Reset();

 private:
  struct Entry {
    RuntimeFactory factory;
    SetupCallback setup;
    TeardownCallback teardown;
    bool setup_done = false;
    ModuleRuntimeBaseImpl* runtime = nullptr;  // the last runtime the host obtained
  };

  mutable std::recursive_mutex mutex_;
  std::map<std::string, Entry> modules_;
  ModuleRuntimeBaseImpl* app_runtime_ = nullptr;
};

ModuleService& GetModuleService();

// A host application model by id (configuration 539, user configuration 517, ...); null when the
// host has no such model.
std::shared_ptr<ModelImpl> GetAppModuleModel(int32_t model_id);

}  // namespace framework::module
