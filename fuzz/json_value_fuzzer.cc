// JsonValue::Parse on any text; a document it accepts must survive printing and parsing again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/base/json/json_value.h"

namespace {

// Touches every member and element through the reading API, as callers do.
void Walk(const base::json::JsonValue& value, int depth) {
  if (depth > 64) return;
  value.AsString();
  value.AsInteger();
  value.AsUnsigned();
  value.AsReal();
  value.AsBoolean();
  value.ForEachMember([&](const std::string& key, const base::json::JsonValue& member) {
    if (!value.Contain(key)) std::abort();
    Walk(member, depth + 1);
  });
  value.ForEachElement([&](size_t, const base::json::JsonValue& element) { Walk(element, depth + 1); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const base::json::JsonValue value = base::json::JsonValue::Parse(text);
  if (!value.IsValid()) return 0;
  Walk(value, 0);
  const base::json::JsonValue again = base::json::JsonValue::Parse(value.ToCompactString());
  if (!again.IsValid() || again != value) std::abort();
  if (base::json::JsonValue::Parse(value.ToStyledString()) != value) std::abort();
  return 0;
}
