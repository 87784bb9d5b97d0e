#pragma once

#include <memory>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/module/module_manifest.h"

namespace framework::module {
class ModuleRuntimeBaseImpl;
}

namespace quick_record {

// The module's runtime for declarative views. It outlives Deactivate: the host's scope-singleton
// registry ends it.
class NXQuickRecordNXModuleRuntime {
 public:
  static constexpr char kHostPageRoute[] = "kovani://page/declarative";

  // Created on first use under a lock, then registered with the host's scope-singleton registry.
  static std::shared_ptr<NXQuickRecordNXModuleRuntime> GetInstance();
  static base::variant::Variant ConfigFromManifest(const framework::module::ModuleManifest& manifest);

  void Init(framework::module::ModuleRuntimeBaseImpl* runtime, base::variant::Variant config, std::string page_route);
  framework::module::ModuleRuntimeBaseImpl* runtime() const { return runtime_; }
  const base::variant::Variant& config() const { return config_; }
  const std::string& page_route() const { return page_route_; }

 private:
  framework::module::ModuleRuntimeBaseImpl* runtime_ = nullptr;
  base::variant::Variant config_;
  std::string page_route_;
};

}  // namespace quick_record
