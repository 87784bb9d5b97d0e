#pragma once

#include <memory>
#include <string>

#include "host/base/variant/variant.h"

namespace framework::module {

// What the host knows about a module before loading it.
struct ModuleManifest {
  std::string name;
  std::string version;
  // Filled by the module when it activates: identifies the exact build that is running.
  std::string build_id;
  // The desktop resource bundle and the root it is mounted under.
  std::string ui_resource_path;
  std::string ui_resource_root;
  base::variant::Variant extra;
};

}  // namespace framework::module

namespace kovani {
// The host's manifest of `name`, created empty on first request; the same object afterwards.
std::shared_ptr<framework::module::ModuleManifest> GetModuleConfigByName(const std::string& name);
}  // namespace kovani
