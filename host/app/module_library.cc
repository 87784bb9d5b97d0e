#include "host/app/module_library.h"

#include <dlfcn.h>

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/framework/module/scope_singleton_registry.h"
#include "host/sdk/plugin/plugin_registry.h"

namespace host::app {
namespace {

std::vector<std::string> PluginModuleIds() {
  std::vector<std::string> ids;
  for (const auto& state : kovanisdk::plugin::ListPluginModules()) ids.push_back(state.module_id);
  return ids;
}

}  // namespace

std::unique_ptr<ModuleLibrary> ModuleLibrary::Load(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = "cannot load module " + path + ": " + dlerror();
    return nullptr;
  }
  auto activate = reinterpret_cast<EntryFunction>(dlsym(handle, "Activate"));
  auto deactivate = reinterpret_cast<ExitFunction>(dlsym(handle, "Deactivate"));
  if (!activate || !deactivate) {
    if (error) *error = "module " + path + " does not export Activate and Deactivate";
    dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(path, handle, activate, deactivate));
}

ModuleLibrary::ModuleLibrary(std::string path, void* handle, EntryFunction activate, ExitFunction deactivate)
    : path_(std::move(path)), handle_(handle), activate_(activate), deactivate_(deactivate) {}

ModuleLibrary::~ModuleLibrary() {
  if (active_) Deactivate();
  // Objects whose code lives in the library must be gone before the code is.
  framework::ScopeSingletonRegistry::GetInstance().Clear();
  for (const auto& id : PluginModuleIds()) {
    if (std::find(plugin_modules_before_.begin(), plugin_modules_before_.end(), id) == plugin_modules_before_.end()) {
      kovanisdk::plugin::UnregisterPluginModule(id);
    }
  }
  dlclose(handle_);
}

void ModuleLibrary::Activate() {
  plugin_modules_before_ = PluginModuleIds();
  activate_();
  active_ = true;
  KLOG(6) << "module activated: " << path_;
}

void ModuleLibrary::Deactivate() {
  deactivate_();
  active_ = false;
  KLOG(6) << "module deactivated: " << path_;
}

}  // namespace host::app
