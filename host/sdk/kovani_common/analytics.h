#pragma once

#include <map>
#include <string>

// The client's analytics calls as modules know them; they report through base::analytics, so
// the same "e#" rule applies and the same sinks (the event file, test captures) receive them.
namespace kovani_common::utils::analytics {

bool LogEvent(const std::string& name);
bool LogEventWithProperty(const std::string& name, const std::string& key, const std::string& value);
bool LogEventWithProperties(const std::string& name, const std::map<std::string, std::string>& properties);

}  // namespace kovani_common::utils::analytics
