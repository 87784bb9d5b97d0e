#include "host/app/module_library.h"

#include <dlfcn.h>

#include <algorithm>

#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"
#include "host/framework/module/scope_singleton_registry.h"
#include "host/sdk/plugin/plugin_registry.h"

namespace host::app {
namespace {

std::vector<std::string> PluginModuleIds() {
  std::vector<std::string> ids;
  for (const auto& state : kovanisdk::plugin::ListPluginModules()) ids.push_back(state.module_id);
  return ids;
}

// Lets the host's loopers finish what the module queued before its code goes: work on the worker
// and I/O loopers, then the answers that work sent to the main looper (which may start more).
// Delayed tasks are left alone: the module's timers die with their owners at deactivation.
void FinishQueuedWork() {
  using base::threading::LooperThread;
  constexpr int kMaxRounds = 8;
  for (int round = 0; round < kMaxRounds; ++round) {
    for (auto* looper : {LooperThread::WorkerLooper(), LooperThread::IOLooper()}) {
      if (looper) looper->Flush();
    }
    auto* main = LooperThread::MainLooper();
    if (!main || main->Flush() == 0) return;
  }
  KLOG(3) << "module work still queued after " << kMaxRounds << " rounds";
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
  FinishQueuedWork();
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
