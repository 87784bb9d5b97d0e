#include "host/framework/module/resource.h"

#include <sys/stat.h>

#include "host/base/logging/logger.h"
#include "host/base/variant/variant.h"

namespace framework {

Resource* Resource::GetInstance() {
  static Resource instance;
  return &instance;
}

std::string Resource::GetString(uint32_t string_id) const {
  std::lock_guard lock(mutex_);
  auto it = strings_.find(string_id);
  return it == strings_.end() ? std::string() : it->second;
}

void Resource::SetString(uint32_t string_id, std::string text) {
  std::lock_guard lock(mutex_);
  strings_[string_id] = std::move(text);
}

size_t Resource::LoadStringTable(const std::string& json_text) {
  bool ok = false;
  const auto table = base::variant::Variant::FromJson(json_text, &ok);
  size_t loaded = 0;
  for (const auto& [key, text] : table.AsMap()) {
    if (!text.IsString()) continue;
    try {
      SetString(static_cast<uint32_t>(std::stoul(key, nullptr, 0)), text.AsString());
      ++loaded;
    } catch (...) {
      KLOG(3) << "string table: bad id " << key;
    }
  }
  return loaded;
}

bool Resource::LoadModuleResource(const std::string& bundle_path, const std::string& root) {
  struct stat st {};
  // Without the desktop widgets there is nothing to draw with; still say whether the bundle exists.
  const bool exists = !bundle_path.empty() && ::stat(bundle_path.c_str(), &st) == 0;
  KLOG(6) << "load module resource " << bundle_path << " as " << root << (exists ? "" : " (missing)");
  std::lock_guard lock(mutex_);
  bundles_[root] = bundle_path;
  return exists;
}

}  // namespace framework
