#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace qr_backend {

// Reads the members of a JSON request object without exceptions. A member that is absent gives
// the fallback (or, when required, an error); a member of the wrong type is always an error.
// The first error is kept in a form that can be shown to the client.
class FieldReader {
 public:
  explicit FieldReader(const nlohmann::json& object);
  // The reader keeps a reference: a temporary body would be gone before the first read.
  explicit FieldReader(nlohmann::json&&) = delete;

  std::string Text(const char* key, bool required = false, std::string fallback = "");
  int64_t Integer(const char* key, bool required = false, int64_t fallback = 0);
  bool Bool(const char* key, bool required = false, bool fallback = false);
  // A text member that must hold a decimal integer ("4194304").
  int64_t DecimalText(const char* key, bool required = false, int64_t fallback = 0);
  // The member when it is an object; nullptr when absent (or, when required, an error).
  const nlohmann::json* Object(const char* key, bool required = false);
  const nlohmann::json* Array(const char* key, bool required = false);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  void Fail(std::string message);

 private:
  const nlohmann::json* Find(const char* key, bool required);

  const nlohmann::json& object_;
  std::string error_;
};

}  // namespace qr_backend
