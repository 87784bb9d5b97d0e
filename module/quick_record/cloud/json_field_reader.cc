#include "module/quick_record/cloud/json_field_reader.h"

#include <limits>
#include <sstream>

namespace quick_record {

using base::json::JsonValue;

std::string JsonFieldReader::Text(const JsonValue& object, std::string_view key) { return object[key].AsString(); }

int32_t JsonFieldReader::Int32(const JsonValue& object, std::string_view key) {
  const JsonValue value = object[key];
  if (!value.IsInteger()) return 0;
  const int64_t number = value.AsInteger();
  if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(number);
}

int64_t JsonFieldReader::Int64(const JsonValue& object, std::string_view key) {
  const JsonValue value = object[key];
  return value.IsInteger() ? value.AsInteger() : 0;
}

bool JsonFieldReader::Bool(const JsonValue& object, std::string_view key) { return object[key].AsBoolean(); }

bool JsonFieldReader::BoolOrInteger(const JsonValue& object, std::string_view key) {
  const JsonValue value = object[key];
  if (value.IsBoolean()) return value.AsBoolean();
  return value.IsInteger() && (value.AsInteger() != 0 || value.AsUnsigned() != 0);
}

int64_t JsonFieldReader::DecimalText(const JsonValue& object, std::string_view key) {
  const JsonValue value = object[key];
  return value.IsString() ? ParseDecimal(value.AsString()) : 0;
}

int64_t JsonFieldReader::ParseDecimal(const std::string& text) {
  if (text.empty()) return 0;
  std::istringstream stream(text);
  int64_t number = 0;
  stream >> number;
  return stream.fail() ? 0 : number;
}

}  // namespace quick_record
