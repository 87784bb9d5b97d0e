#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/runtime_settings.h"

namespace qr_backend {

// Everything the server is started with: the command line, and the configuration file's values
// over the defaults below.
struct BackendConfig {
  // Command line.
  std::string data_dir;
  std::string bind = "127.0.0.1";
  int api_port = 0;  // 0: a free port
  int cos_port = 0;
  std::string config_file;
  std::string client_config_out;  // --write-client-config
  bool quiet = false;

  // Configuration file ("key": value, all optional).
  std::string public_host;  // host in the URLs handed out; the bind address unless a wildcard
  std::string bucket = "qr-records";
  int64_t segment_size = 4 * 1024 * 1024;
  int64_t object_auth_ttl_seconds = 24 * 3600;
  int64_t play_auth_ttl_seconds = 600;
  int64_t jump_ticket_ttl_seconds = 30 * 24 * 3600;
  int64_t push_heartbeat_ms = 5000;
  int64_t push_retention_seconds = 7 * 24 * 3600;
  int api_threads = 64;  // each open push stream holds one
  int cos_threads = 16;
  RuntimeValues runtime{int64_t{10} * 1024 * 1024 * 1024, {{}, 1}, {}};

  std::string UrlHost() const;  // public_host, or a loopback/bind address that can be dialled
};

// Parses argv (and the file named by --config). On failure returns nullopt and a message that
// says what is wrong; "--help" yields nullopt with the usage text.
std::optional<BackendConfig> ParseBackendConfig(const std::vector<std::string>& args,
                                                std::string* message);

std::string BackendUsage();

}  // namespace qr_backend
