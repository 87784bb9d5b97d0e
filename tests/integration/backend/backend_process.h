#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace qr_backend::testing {

// The real build/bin/qr-backend, started on loopback with free ports. Start() waits (bounded)
// for the JSON line the server prints once it accepts connections.
class BackendProcess {
 public:
  // `config` is written to a file and passed with --config when it is not empty. `binary`
  // defaults to the qr-backend of this build tree.
  BackendProcess(std::string data_dir, nlohmann::json config = nlohmann::json::object(),
                 std::string binary = QUICKREC_BIN_DIR "/qr-backend");
  ~BackendProcess();
  BackendProcess(const BackendProcess&) = delete;
  BackendProcess& operator=(const BackendProcess&) = delete;

  bool Start(const std::vector<std::string>& extra_args = {});
  // SIGTERM, then waits up to 10 s; returns the exit status (-1 when it had to be killed).
  int Stop();
  // SIGKILL: no chance to clean up.
  void Kill();

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int api_port() const { return api_port_; }
  int cos_port() const { return cos_port_; }
  const std::string& admin_token() const { return admin_token_; }
  const std::string& data_dir() const { return data_dir_; }
  std::string log() const;  // what the server wrote on stderr

 private:
  std::string data_dir_;
  nlohmann::json config_;
  std::string binary_;
  pid_t pid_ = -1;
  int api_port_ = 0;
  int cos_port_ = 0;
  std::string admin_token_;
};

}  // namespace qr_backend::testing
