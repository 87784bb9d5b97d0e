#include "server/fault_injector.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/field_reader.h"

namespace qr_backend {

namespace {

constexpr std::array<std::pair<const char*, FaultKind>, 4> kKinds = {{
    {"delay", FaultKind::kDelay},
    {"http500", FaultKind::kHttp500},
    {"drop", FaultKind::kDrop},
    {"wrong_server", FaultKind::kWrongServer},
}};

const char* KindName(FaultKind kind) {
  for (const auto& [name, value] : kKinds) {
    if (value == kind) return name;
  }
  return "?";
}

}  // namespace

bool FaultRule::Matches(const std::string& server_name, const std::string& request_method,
                        const std::string& request_path) const {
  if (server != server_name) return false;
  if (!method.empty() && method != request_method) return false;
  if (!path.empty() && path.back() == '*') {
    return request_path.compare(0, path.size() - 1, path, 0, path.size() - 1) == 0;
  }
  return path == request_path;
}

void to_json(nlohmann::json& json, const FaultRule& rule) {
  json = {{"id", rule.id},      {"server", rule.server},       {"method", rule.method},
          {"path", rule.path},  {"kind", KindName(rule.kind)}, {"delay_ms", rule.delay_ms},
          {"times", rule.times}};
}

std::optional<FaultRule> FaultInjector::Parse(const nlohmann::json& json, std::string* error) {
  FieldReader fields(json);
  FaultRule rule;
  rule.server = fields.Text("server", true);
  rule.method = fields.Text("method");
  rule.path = fields.Text("path", true);
  const std::string kind = fields.Text("kind", true);
  rule.delay_ms = fields.Integer("delay_ms");
  rule.times = fields.Integer("times");
  if (fields.ok() && rule.server != "api" && rule.server != "cos") {
    fields.Fail("\"server\" must be \"api\" or \"cos\"");
  }
  if (fields.ok() && (rule.path.empty() || rule.path.front() != '/')) {
    fields.Fail("\"path\" must start with '/'");
  }
  const auto known = std::find_if(kKinds.begin(), kKinds.end(),
                                  [&](const auto& entry) { return kind == entry.first; });
  if (fields.ok() && known == kKinds.end()) {
    fields.Fail("\"kind\" must be delay, http500, drop or wrong_server");
  }
  if (fields.ok() && (rule.delay_ms < 0 || rule.times < 0)) {
    fields.Fail("\"delay_ms\" and \"times\" must not be negative");
  }
  if (!fields.ok()) {
    *error = fields.error();
    return std::nullopt;
  }
  rule.kind = known->second;
  if (rule.kind == FaultKind::kDelay && rule.delay_ms == 0) {
    *error = "a delay needs \"delay_ms\"";
    return std::nullopt;
  }
  return rule;
}

int64_t FaultInjector::Add(FaultRule rule) {
  std::lock_guard lock(mutex_);
  rule.id = next_id_++;
  rules_.push_back(std::move(rule));
  return rules_.back().id;
}

std::optional<FaultRule> FaultInjector::Take(const std::string& server, const std::string& method,
                                             const std::string& path) {
  std::lock_guard lock(mutex_);
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (!it->Matches(server, method, path)) continue;
    FaultRule hit = *it;
    if (it->times > 0 && --it->times == 0) rules_.erase(it);
    return hit;
  }
  return std::nullopt;
}

std::vector<FaultRule> FaultInjector::List() const {
  std::lock_guard lock(mutex_);
  return rules_;
}

void FaultInjector::Clear() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

}  // namespace qr_backend
