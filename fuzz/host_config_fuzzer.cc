// HostConfig::Load on any configuration file; what it accepts must survive ToVariant and
// FromVariant unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/fuzz_temp_dir.h"
#include "host/app/host_config.h"

namespace {

const std::string& ConfigPath() {
  static const FuzzTempDir dir("config");
  static const std::string path = dir.File("config.json");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(ConfigPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  host::app::HostConfig config;
  std::string error;
  if (!host::app::HostConfig::Load(ConfigPath(), &config, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const base::variant::Variant document = config.ToVariant();
  if (host::app::HostConfig::FromVariant(document).ToVariant() != document) std::abort();
  return 0;
}
