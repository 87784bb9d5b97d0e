#include "host/sdk/kovani_common/analytics.h"

#include "host/base/analytics/analytics.h"

namespace kovani_common::utils::analytics {

bool LogEvent(const std::string& name) { return base::analytics::LogEvent(name); }

bool LogEventWithProperty(const std::string& name, const std::string& key, const std::string& value) {
  return base::analytics::LogEventWithProperty(name, key, value);
}

bool LogEventWithProperties(const std::string& name, const std::map<std::string, std::string>& properties) {
  return base::analytics::LogEventWithProperties(name, properties);
}

}  // namespace kovani_common::utils::analytics
