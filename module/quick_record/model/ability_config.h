#pragma once

#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

inline constexpr char kAbilitySection[] = "quick_record_ability";

// A JSON-valued ability rule of the section "quick_record_ability" as a map: the host keeps it
// either as a map or as JSON text. Anything else (missing, not an object) gives an empty map.
base::variant::Variant ReadAbilityMap(const std::string& key);

}  // namespace quick_record
