#pragma once

#include <initializer_list>
#include <utility>

#include "host/base/variant/variant.h"

namespace quick_record {

// A map payload written in one expression: VariantMap({{"show", true}, {"mode", 2}}).
inline base::variant::Variant VariantMap(
    std::initializer_list<std::pair<const char*, base::variant::Variant>> entries) {
  base::variant::Variant map = base::variant::Variant::MakeMap();
  for (const auto& [key, value] : entries) map.Set(key, value);
  return map;
}

}  // namespace quick_record
