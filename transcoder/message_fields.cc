#include "transcoder/message_fields.h"

#include <charconv>

namespace qr_transcoder {

using base::json::JsonValue;

std::string MessageFields::Text(const char* key, bool required) {
  const JsonValue value = json_[key];
  if (value.IsString()) return value.AsString();
  if (value.IsInteger()) return std::to_string(value.AsInteger());
  if (value.IsNull()) {
    if (required) Missing(key);
  } else {
    WrongType(key);
  }
  return {};
}

bool MessageFields::Flag(const char* key, bool def) {
  const JsonValue value = json_[key];
  if (value.IsNull()) return def;
  if (value.IsBoolean()) return value.AsBoolean();
  if (value.IsInteger()) return value.AsInteger() != 0;
  const std::string text = value.AsString();
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  WrongType(key);
  return def;
}

int64_t MessageFields::Number(const char* key, int64_t def, bool required) {
  const JsonValue value = json_[key];
  if (value.IsNull()) {
    if (required) Missing(key);
    return def;
  }
  if (value.IsInteger() || value.IsReal()) return value.IsInteger() ? value.AsInteger() : static_cast<int64_t>(value.AsReal());
  const std::string text = value.AsString();
  int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (!text.empty() && error == std::errc() && end == text.data() + text.size()) return number;
  WrongType(key);
  return def;
}

JsonValue MessageFields::Object(const char* key, bool required) {
  const JsonValue value = json_[key];
  if (value.IsObject()) return value;
  if (value.IsNull()) {
    if (required) Missing(key);
  } else {
    WrongType(key);
  }
  return JsonValue::Object();
}

std::string MessageFields::Problems() const {
  std::string out;
  for (const auto& problem : bad_) out += (out.empty() ? "" : ", ") + problem;
  return out;
}

}  // namespace qr_transcoder
