#include "common/field_reader.h"

#include <charconv>

namespace qr_backend {

FieldReader::FieldReader(const nlohmann::json& object) : object_(object) {
  if (!object_.is_object()) Fail("the body must be a JSON object");
}

void FieldReader::Fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
}

const nlohmann::json* FieldReader::Find(const char* key, bool required) {
  if (object_.is_object()) {
    auto it = object_.find(key);
    if (it != object_.end() && !it->is_null()) return &*it;
  }
  if (required) Fail(std::string("\"") + key + "\" is missing");
  return nullptr;
}

std::string FieldReader::Text(const char* key, bool required, std::string fallback) {
  const nlohmann::json* value = Find(key, required);
  if (!value) return fallback;
  if (!value->is_string()) {
    Fail(std::string("\"") + key + "\" must be a string");
    return fallback;
  }
  return value->get<std::string>();
}

int64_t FieldReader::Integer(const char* key, bool required, int64_t fallback) {
  const nlohmann::json* value = Find(key, required);
  if (!value) return fallback;
  if (!value->is_number_integer()) {
    Fail(std::string("\"") + key + "\" must be an integer");
    return fallback;
  }
  return value->get<int64_t>();
}

bool FieldReader::Bool(const char* key, bool required, bool fallback) {
  const nlohmann::json* value = Find(key, required);
  if (!value) return fallback;
  if (!value->is_boolean()) {
    Fail(std::string("\"") + key + "\" must be a boolean");
    return fallback;
  }
  return value->get<bool>();
}

int64_t FieldReader::DecimalText(const char* key, bool required, int64_t fallback) {
  const nlohmann::json* value = Find(key, required);
  if (!value) return fallback;
  const std::string* text = value->get_ptr<const std::string*>();
  int64_t number = 0;
  if (text && !text->empty()) {
    auto [ptr, ec] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (ec == std::errc() && ptr == text->data() + text->size()) return number;
  }
  Fail(std::string("\"") + key + "\" must be a string holding a decimal integer");
  return fallback;
}

const nlohmann::json* FieldReader::Object(const char* key, bool required) {
  const nlohmann::json* value = Find(key, required);
  if (value && !value->is_object()) {
    Fail(std::string("\"") + key + "\" must be an object");
    return nullptr;
  }
  return value;
}

const nlohmann::json* FieldReader::Array(const char* key, bool required) {
  const nlohmann::json* value = Find(key, required);
  if (value && !value->is_array()) {
    Fail(std::string("\"") + key + "\" must be an array");
    return nullptr;
  }
  return value;
}

}  // namespace qr_backend
