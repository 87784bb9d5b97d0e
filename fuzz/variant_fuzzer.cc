// Variant::FromJson on any text; what it accepts must come back unchanged through ToJson.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/base/variant/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  bool ok = false;
  const base::variant::Variant value = base::variant::Variant::FromJson(text, &ok);
  if (!ok) return 0;
  value.ToString();
  bool again_ok = false;
  const base::variant::Variant again = base::variant::Variant::FromJson(value.ToJson(), &again_ok);
  if (!again_ok || again != value) std::abort();
  return 0;
}
