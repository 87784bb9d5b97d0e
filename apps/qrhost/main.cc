// qrhost: a command-line host that loads the quick-record module and drives it like a user would.

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "apps/qrhost/qrhost_info.h"
#include "host/app/host_application.h"
#include "host/app/host_config.h"
#include "host/app/module_library.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/host_loopers.h"

namespace {

constexpr char kModuleName[] = "quick_record";

void PrintUsage(std::ostream& out) {
  out << "usage: qrhost [--module PATH] [--config FILE] [--log-level N] <command>\n"
         "commands:\n"
         "  info   load and activate the module, print what it contributed, deactivate\n"
         "  demo   the main job (for now: info)\n";
}

// libquick_record_module.so in the lib directory beside the binary's bin directory.
std::string DefaultModulePath() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "libquick_record_module.so";
  std::string path(self, static_cast<size_t>(n));
  path = path.substr(0, path.rfind('/'));  // bin
  path = path.substr(0, path.rfind('/'));  // build root
  return path + "/lib/libquick_record_module.so";
}

int RunInfo(const std::string& module_path, const std::string& config_path) {
  host::app::HostConfig config;
  std::string error;
  if (!host::app::HostConfig::Load(config_path, &config, &error)) {
    std::cerr << "qrhost: " << error << "\n";
    return 2;
  }
  base::threading::HostLoopers loopers;
  host::app::HostApplication app(config);
  auto library = host::app::ModuleLibrary::Load(module_path, &error);
  if (!library) {
    std::cerr << "qrhost: " << error << "\n";
    return 2;
  }
  library->Activate();
  qrhost::PrintModuleReport(kModuleName, std::cout);
  library->Deactivate();
  library.reset();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string module_path = DefaultModulePath();
  std::string config_path = host::app::HostConfig::DefaultPath();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--module" && i + 1 < argc) {
      module_path = argv[++i];
    } else if (arg == "--config" && i + 1 < argc) {
      config_path = argv[++i];
    } else if (arg == "--log-level" && i + 1 < argc) {
      base::logging::SetLevel(std::atoi(argv[++i]));
    } else if (arg == "-h" || arg == "--help") {
      PrintUsage(std::cout);
      return 0;
    } else {
      args.push_back(arg);
    }
  }
  const std::string command = args.empty() ? "info" : args.front();
  if (command == "info" || command == "demo") return RunInfo(module_path, config_path);
  PrintUsage(std::cerr);
  return 2;
}
