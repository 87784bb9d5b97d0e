#include "server/backend_config.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "common/field_reader.h"

namespace qr_backend {

namespace {

std::string DefaultDataDir() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/quickrec/backend";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/quickrec/backend";
}

std::optional<int> ParsePort(const std::string& text) {
  int port = -1;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (ec != std::errc() || ptr != text.data() + text.size() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

bool LoadFile(BackendConfig& config, std::string* message) {
  std::ifstream in(config.config_file);
  if (!in) {
    *message = "cannot read " + config.config_file;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  const auto json = nlohmann::json::parse(text.str(), nullptr, false);
  FieldReader fields(json);
  static const std::set<std::string> kKnown = {"public_host",           "bucket",
                                               "segment_size",          "object_auth_ttl_seconds",
                                               "play_auth_ttl_seconds", "jump_ticket_ttl_seconds",
                                               "push_heartbeat_ms",     "push_retention_seconds",
                                               "api_threads",           "cos_threads",
                                               "default_quota_bytes",   "censor_block_words",
                                               "censor_review_polls",   "censor_review_seconds",
                                               "upload_limits"};
  if (json.is_object()) {
    for (const auto& [key, value] : json.items()) {
      if (!kKnown.count(key)) fields.Fail("unknown key \"" + key + "\"");
    }
  }
  config.public_host = fields.Text("public_host", false, config.public_host);
  config.bucket = fields.Text("bucket", false, config.bucket);
  config.segment_size = fields.Integer("segment_size", false, config.segment_size);
  config.object_auth_ttl_seconds =
      fields.Integer("object_auth_ttl_seconds", false, config.object_auth_ttl_seconds);
  config.play_auth_ttl_seconds =
      fields.Integer("play_auth_ttl_seconds", false, config.play_auth_ttl_seconds);
  config.jump_ticket_ttl_seconds =
      fields.Integer("jump_ticket_ttl_seconds", false, config.jump_ticket_ttl_seconds);
  config.push_heartbeat_ms = fields.Integer("push_heartbeat_ms", false, config.push_heartbeat_ms);
  config.push_retention_seconds =
      fields.Integer("push_retention_seconds", false, config.push_retention_seconds);
  config.api_threads = static_cast<int>(fields.Integer("api_threads", false, config.api_threads));
  config.cos_threads = static_cast<int>(fields.Integer("cos_threads", false, config.cos_threads));
  nlohmann::json runtime = nlohmann::json::object();
  for (const char* key : {"default_quota_bytes", "censor_block_words", "censor_review_polls",
                          "censor_review_seconds", "upload_limits"}) {
    if (json.is_object() && json.contains(key)) runtime[key] = json[key];
  }
  if (fields.ok() && !MergeRuntimeValues(runtime, config.runtime)) {
    fields.Fail(
        "default_quota_bytes, censor_block_words, censor_review_polls, censor_review_seconds or "
        "upload_limits "
        "has a wrong type or an unknown key");
  }
  if (fields.ok() && (config.segment_size <= 0 || config.object_auth_ttl_seconds <= 0 ||
                      config.play_auth_ttl_seconds <= 0 || config.jump_ticket_ttl_seconds <= 0 ||
                      config.push_heartbeat_ms <= 0 || config.push_retention_seconds <= 0 ||
                      config.api_threads < 2 || config.cos_threads < 2 || config.bucket.empty())) {
    fields.Fail(
        "sizes, times and thread counts must be positive (threads at least 2) and the "
        "bucket named");
  }
  if (!fields.ok()) {
    *message = config.config_file + ": " + fields.error();
    return false;
  }
  return true;
}

}  // namespace

std::string BackendConfig::UrlHost() const {
  if (!public_host.empty()) return public_host;
  if (bind == "0.0.0.0" || bind.empty()) return "127.0.0.1";
  if (bind == "::") return "[::1]";
  return bind.find(':') != std::string::npos ? "[" + bind + "]" : bind;
}

std::string BackendUsage() {
  return "usage: qr-backend [--data DIR] [--api-port N] [--cos-port M] [--bind ADDRESS]\n"
         "                  [--config FILE] [--write-client-config FILE] [--quiet]\n"
         "Ports default to 0 (a free port). Once both ports accept connections one JSON line\n"
         "{\"api_port\": N, \"cos_port\": M, \"admin_token\": \"...\"} is printed on stdout.\n";
}

std::optional<BackendConfig> ParseBackendConfig(const std::vector<std::string>& args,
                                                std::string* message) {
  BackendConfig config;
  config.data_dir = DefaultDataDir();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      *message = BackendUsage();
      return std::nullopt;
    }
    if (arg == "--quiet") {
      config.quiet = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      *message = arg + " needs a value\n" + BackendUsage();
      return std::nullopt;
    }
    const std::string& value = args[++i];
    if (arg == "--data") {
      config.data_dir = value;
    } else if (arg == "--bind") {
      config.bind = value;
    } else if (arg == "--config") {
      config.config_file = value;
    } else if (arg == "--write-client-config") {
      config.client_config_out = value;
    } else if (arg == "--api-port" || arg == "--cos-port") {
      const auto port = ParsePort(value);
      if (!port) {
        *message = arg + " takes a port number from 0 to 65535";
        return std::nullopt;
      }
      (arg == "--api-port" ? config.api_port : config.cos_port) = *port;
    } else {
      *message = "unknown option " + arg + "\n" + BackendUsage();
      return std::nullopt;
    }
  }
  if (!config.config_file.empty() && !LoadFile(config, message)) return std::nullopt;
  return config;
}

}  // namespace qr_backend
