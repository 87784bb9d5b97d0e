#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/base/json/json_value.h"

namespace qr_transcoder {

// Reads the fields of one message and remembers what was missing or of the wrong type, so a
// handler reads everything first and then refuses the message once, naming every bad field.
// Senders differ in how they write flags and numbers, so a flag may be a boolean, an integer or
// "0"/"1"/"true"/"false", and a number may be an integer or its decimal text.
class MessageFields {
 public:
  explicit MessageFields(const base::json::JsonValue& json) : json_(json) {}

  std::string Text(const char* key, bool required = true);
  bool Flag(const char* key, bool def = false);
  int64_t Number(const char* key, int64_t def = 0, bool required = false);
  // An object of texts ({"put": "...", ...}); an empty object when absent.
  base::json::JsonValue Object(const char* key, bool required = false);

  bool ok() const { return bad_.empty(); }
  // "missing field: a, wrong type: b"
  std::string Problems() const;

 private:
  void Missing(const char* key) { bad_.push_back(std::string("missing ") + key); }
  void WrongType(const char* key) { bad_.push_back(std::string("wrong type of ") + key); }

  base::json::JsonValue json_;
  std::vector<std::string> bad_;
};

}  // namespace qr_transcoder
