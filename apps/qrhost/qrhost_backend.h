#pragma once

#include <ostream>
#include <string>

#include "apps/qrhost/embedded_backend.h"
#include "host/app/host_config.h"

namespace qrhost {

// `qrhost backend status|start|stop`: shows, starts or stops the embedded back end. `config` is
// the host configuration, so that status can say when a configured back end is used instead.
// Returns the exit code: status answers 3 when nothing runs.
int RunBackendCommand(const std::string& action, const host::app::HostConfig& config, EmbeddedBackend& backend,
                      std::ostream& out, std::ostream& err);

// The host configuration to run with: `config` itself when it names a back end, else `config`
// with the address and account of the embedded back end, started when it does not run yet.
bool UseBackend(host::app::HostConfig* config, EmbeddedBackend& backend, std::string* error);

}  // namespace qrhost
