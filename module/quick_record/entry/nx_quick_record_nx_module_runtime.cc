#include "module/quick_record/entry/nx_quick_record_nx_module_runtime.h"

#include <mutex>

#include "host/framework/module/scope_singleton_registry.h"

namespace quick_record {
namespace {
std::mutex g_mutex;
std::weak_ptr<NXQuickRecordNXModuleRuntime> g_instance;
}  // namespace

std::shared_ptr<NXQuickRecordNXModuleRuntime> NXQuickRecordNXModuleRuntime::GetInstance() {
  std::lock_guard lock(g_mutex);
  if (auto instance = g_instance.lock()) return instance;
  auto instance = std::make_shared<NXQuickRecordNXModuleRuntime>();
  g_instance = instance;
  framework::ScopeSingletonRegistry::GetInstance().Register(instance);
  return instance;
}

base::variant::Variant NXQuickRecordNXModuleRuntime::ConfigFromManifest(const framework::module::ModuleManifest& manifest) {
  base::variant::Variant config = base::variant::Variant::MakeMap();
  config.Set("module_name", manifest.name);
  config.Set("build_id", manifest.build_id);
  config.Set("resource_root", manifest.ui_resource_root);
  return config;
}

void NXQuickRecordNXModuleRuntime::Init(framework::module::ModuleRuntimeBaseImpl* runtime, base::variant::Variant config,
                                        std::string page_route) {
  runtime_ = runtime;
  config_ = std::move(config);
  page_route_ = std::move(page_route);
}

}  // namespace quick_record
