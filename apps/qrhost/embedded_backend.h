#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "host/app/host_config.h"

namespace qrhost {

// Where the embedded back end keeps what outlives one qrhost run.
struct EmbeddedBackendPaths {
  std::string data_dir;     // the back end's database and objects
  std::string runtime_dir;  // the running instance: state, client configuration, start lock

  // $XDG_DATA_HOME/quickrec/backend (~/.local/share/... without it) and $XDG_RUNTIME_DIR/quickrec
  // (without it a private /tmp/quickrec-<uid>).
  static EmbeddedBackendPaths FromEnvironment();
  std::string state_file() const { return runtime_dir + "/backend.json"; }
  std::string client_config() const { return runtime_dir + "/backend-client.json"; }
  std::string lock_file() const { return runtime_dir + "/backend.lock"; }
  std::string log_file() const { return data_dir + "/backend.log"; }
};

// The qr-backend that qrhost starts when no back end is configured: a background service in a
// session of its own that outlives the qrhost that started it, so the links it handed out keep
// working. Its pid and ports are remembered in the runtime directory; a later start takes the
// same ports again when they are free, so links from before a restart still point at it.
// Starting and stopping hold a lock file, so two qrhosts never start two back ends on one data
// directory.
class EmbeddedBackend {
 public:
  struct Instance {
    pid_t pid = 0;
    int api_port = 0;
    int cos_port = 0;
  };

  EmbeddedBackend(std::string program, EmbeddedBackendPaths paths);

  // The instance the state file names when that process is still the back end on our data
  // directory; none otherwise.
  std::optional<Instance> Running() const;
  // The running instance, or a new one started now; false with a one-line `*error`.
  bool EnsureRunning(Instance* instance, std::string* error);
  // Ends the running instance (SIGTERM, then SIGKILL after ten seconds) and forgets it. True when
  // none runs afterwards.
  bool Stop(std::string* error);
  // Takes the back-end address and the signed-in account of the running instance into `config`;
  // everything else of `config` stays as it is.
  bool ApplyClientConfig(host::app::HostConfig* config, std::string* error) const;

  const EmbeddedBackendPaths& paths() const { return paths_; }

 private:
  bool Start(int api_port, int cos_port, Instance* instance, std::string* error);
  std::optional<Instance> ReadState() const;
  bool IsOurBackend(pid_t pid) const;

  const std::string program_;
  const EmbeddedBackendPaths paths_;
};

}  // namespace qrhost
