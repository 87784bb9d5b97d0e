#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Forward declaration keeps the JSON library out of every header that uses JsonValue.
namespace base::json::detail {
struct Document;
}

namespace base::json {

// A JSON value. Copies are cheap and independent: they share the parsed document until one of
// them is changed (copy on write). Reading never throws: a missing member, a wrong type or an
// index out of range gives a null value, and typed reads give their default.
class JsonValue {
 public:
  JsonValue();  // null
  JsonValue(std::nullptr_t) : JsonValue() {}
  JsonValue(bool v);
  JsonValue(int32_t v);
  JsonValue(int64_t v);
  JsonValue(uint32_t v);
  JsonValue(uint64_t v);
  JsonValue(long long v) : JsonValue(static_cast<int64_t>(v)) {}
  JsonValue(unsigned long long v) : JsonValue(static_cast<uint64_t>(v)) {}
  JsonValue(double v);
  JsonValue(const char* v);
  JsonValue(std::string_view v);
  JsonValue(const std::string& v) : JsonValue(std::string_view(v)) {}
  static JsonValue Object();
  static JsonValue Array();

  // Never throws; bad text gives a null value whose IsValid() is false.
  static JsonValue Parse(std::string_view text);
  bool IsValid() const { return valid_; }

  bool IsNull() const;
  bool IsObject() const;
  bool IsArray() const;
  bool IsString() const;
  bool IsBoolean() const;
  bool IsInteger() const;  // signed or unsigned integer
  bool IsReal() const;     // a number with a fraction or exponent
  bool IsNumeric() const;  // integer or real

  bool Contain(std::string_view key) const;
  JsonValue operator[](std::string_view key) const;
  JsonValue operator[](const char* key) const { return (*this)[std::string_view(key)]; }
  JsonValue operator[](size_t index) const;
  JsonValue operator[](int index) const { return (*this)[static_cast<size_t>(index)]; }
  size_t Size() const;  // members of an object, elements of an array, 0 otherwise

  // Typed reads: the default unless the value has that type. Integers convert from a real only
  // when it holds a whole number in range; reals convert from integers.
  std::string AsString(const std::string& def = {}) const;
  int64_t AsInteger(int64_t def = 0) const;
  uint64_t AsUnsigned(uint64_t def = 0) const;
  double AsReal(double def = 0.0) const;
  bool AsBoolean(bool def = false) const;

  std::vector<std::string> MemberNames() const;
  void ForEachMember(const std::function<void(const std::string& key, const JsonValue& value)>& fn) const;
  void ForEachElement(const std::function<void(size_t index, const JsonValue& value)>& fn) const;

  // Building. SetJsonObject turns a null value into an object, AddaJsonObject into an array.
  JsonValue& SetJsonObject(std::string_view key, const JsonValue& value);
  JsonValue& AddaJsonObject(const JsonValue& value);
  bool RemoveMember(std::string_view key);

  std::string ToStyledString() const;   // indented
  std::string ToCompactString() const;  // one line

  bool operator==(const JsonValue& other) const;
  bool operator!=(const JsonValue& other) const { return !(*this == other); }

 private:
  JsonValue(std::shared_ptr<detail::Document> doc, const void* node);
  void MakeWritable();

  std::shared_ptr<detail::Document> doc_;
  const void* node_ = nullptr;  // a node inside doc_
  bool valid_ = true;
};

}  // namespace base::json
