#include "host/framework/module/module_manifest.h"

#include <map>
#include <mutex>

namespace kovani {

std::shared_ptr<framework::module::ModuleManifest> GetModuleConfigByName(const std::string& name) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<framework::module::ModuleManifest>> manifests;
  std::lock_guard lock(mutex);
  auto& manifest = manifests[name];
  if (!manifest) {
    manifest = std::make_shared<framework::module::ModuleManifest>();
    manifest->name = name;
  }
  return manifest;
}

}  // namespace kovani
