#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace framework {

// The host's string table (texts by 32-bit id) and image resources (by path).
class Resource {
 public:
  static Resource* GetInstance();

  std::string GetString(uint32_t string_id) const;
  void SetString(uint32_t string_id, std::string text);
  // Loads {"<decimal or 0x hex id>": "text", ...}; returns how many entries were read.
  size_t LoadStringTable(const std::string& json_text);
  // Qt resource bundles a module asked the host to load, as (bundle path, root) pairs.
  bool LoadModuleResource(const std::string& bundle_path, const std::string& root);

 private:
  mutable std::mutex mutex_;
  std::map<uint32_t, std::string> strings_;
  std::map<std::string, std::string> bundles_;
};

}  // namespace framework
