#pragma once

#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

enum class FaultKind {
  kDelay,        // wait, then answer normally
  kHttp500,      // answer 500 without running the handler
  kDrop,         // send the status line and headers, then close the connection mid-body
  kWrongServer,  // answer normally with another Server header
};

struct FaultRule {
  int64_t id = 0;
  std::string server;  // "api" or "cos"
  std::string method;  // empty: every method
  std::string path;    // exact path, or a prefix when it ends with '*'
  FaultKind kind = FaultKind::kDelay;
  int64_t delay_ms = 0;
  int64_t times = 0;  // how many requests it hits; 0: until cleared

  bool Matches(const std::string& server_name, const std::string& request_method,
               const std::string& request_path) const;
};

void to_json(nlohmann::json& json, const FaultRule& rule);

// Faults that the admin API arms so that reliability tests can exercise a client's failure
// paths against a real server.
class FaultInjector {
 public:
  // Reads a rule from the admin API's JSON; nullopt with a reason when it is not valid.
  static std::optional<FaultRule> Parse(const nlohmann::json& json, std::string* error);

  int64_t Add(FaultRule rule);
  // The first armed rule that matches, counting the hit against its `times`.
  std::optional<FaultRule> Take(const std::string& server, const std::string& method,
                                const std::string& path);
  std::vector<FaultRule> List() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<FaultRule> rules_;
  int64_t next_id_ = 1;
};

}  // namespace qr_backend
