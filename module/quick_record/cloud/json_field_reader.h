#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/base/json/json_value.h"

namespace quick_record {

// Reads one member of a back-end JSON object with the tolerance every parser of the module needs:
// a missing member, null, a value of another type or a number out of range gives the default
// (empty text, 0, false), whatever `object` is.
class JsonFieldReader {
 public:
  static std::string Text(const base::json::JsonValue& object, std::string_view key);
  static int32_t Int32(const base::json::JsonValue& object, std::string_view key);
  static int64_t Int64(const base::json::JsonValue& object, std::string_view key);
  static bool Bool(const base::json::JsonValue& object, std::string_view key);
  // A boolean, or an integer read as true when it is not 0.
  static bool BoolOrInteger(const base::json::JsonValue& object, std::string_view key);
  // A string holding a decimal number, read the way a stream extracts it: leading digits count,
  // a text that does not start with a number (or does not fit) gives 0.
  static int64_t DecimalText(const base::json::JsonValue& object, std::string_view key);
  static int64_t ParseDecimal(const std::string& text);

  // The object elements of `array`, each read by `parse`. Other elements are no entries at all and
  // are skipped; an `array` that is no array gives none.
  template <typename Parse>
  static auto Objects(const base::json::JsonValue& array, Parse parse) {
    std::vector<decltype(parse(array))> list;
    array.ForEachElement([&list, &parse](size_t, const base::json::JsonValue& item) {
      if (item.IsObject()) list.push_back(parse(item));
    });
    return list;
  }
};

}  // namespace quick_record
