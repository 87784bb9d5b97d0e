#include "apps/qrhost/qrhost_backend.h"

namespace qrhost {
namespace {

void PrintInstance(const EmbeddedBackend& backend, const EmbeddedBackend::Instance& instance, std::ostream& out) {
  out << "embedded back end: running (pid " << instance.pid << ")\n"
      << "  api:     http://127.0.0.1:" << instance.api_port << "\n"
      << "  objects: http://127.0.0.1:" << instance.cos_port << "\n"
      << "  data:    " << backend.paths().data_dir << "\n"
      << "  log:     " << backend.paths().log_file() << "\n";
}

}  // namespace

int RunBackendCommand(const std::string& action, const host::app::HostConfig& config, EmbeddedBackend& backend,
                      std::ostream& out, std::ostream& err) {
  if (!config.backend_url.empty()) out << "configured back end: " << config.backend_url << " (the embedded one is not used)\n";
  std::string error;
  if (action == "status") {
    const auto running = backend.Running();
    if (!running) {
      out << "embedded back end: not running\n";
      return 3;
    }
    PrintInstance(backend, *running, out);
    return 0;
  }
  if (action == "start") {
    EmbeddedBackend::Instance instance;
    if (!backend.EnsureRunning(&instance, &error)) {
      err << "qrhost: " << error << "\n";
      return 1;
    }
    PrintInstance(backend, instance, out);
    return 0;
  }
  if (!backend.Stop(&error)) {
    err << "qrhost: " << error << "\n";
    return 1;
  }
  out << "embedded back end: stopped\n";
  return 0;
}

bool UseBackend(host::app::HostConfig* config, EmbeddedBackend& backend, std::string* error) {
  if (!config->backend_url.empty()) return true;
  EmbeddedBackend::Instance instance;
  return backend.EnsureRunning(&instance, error) && backend.ApplyClientConfig(config, error);
}

}  // namespace qrhost
