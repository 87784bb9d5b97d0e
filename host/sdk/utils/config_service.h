#pragma once

#include <string>

#include "host/base/variant/variant.h"

// The host's real-time configuration and ability switches, read by section and key with a
// default. Changes are announced by host model 539 (host::app::kConfigChangedEvent).
namespace kovanisdk::utils::config {

base::variant::Variant GetValue(const std::string& section, const std::string& key,
                                const base::variant::Variant& def = {});
bool GetBool(const std::string& section, const std::string& key, bool def);
std::string GetString(const std::string& section, const std::string& key, const std::string& def);

}  // namespace kovanisdk::utils::config
