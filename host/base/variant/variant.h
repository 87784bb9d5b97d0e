#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <variant>
#include <vector>

// The value passed between models, view models and views.
namespace base::variant {

class Variant {
 public:
  using Array = std::vector<Variant>;
  using Map = std::map<std::string, Variant, std::less<>>;

  enum class Type { kNull, kBool, kInt32, kUInt32, kInt64, kUInt64, kDouble, kString, kArray, kMap, kPointer, kSharedPointer };

  Variant() = default;
  Variant(std::nullptr_t) {}
  Variant(bool v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(uint32_t v) : value_(v) {}
  Variant(int64_t v) : value_(v) {}
  Variant(uint64_t v) : value_(v) {}
  Variant(long long v) : value_(static_cast<int64_t>(v)) {}
  Variant(unsigned long long v) : value_(static_cast<uint64_t>(v)) {}
  Variant(double v) : value_(v) {}
  Variant(const char* v) : value_(std::string(v ? v : "")) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(Array v) : value_(std::move(v)) {}
  Variant(Map v) : value_(std::move(v)) {}

  // A raw pointer that the variant does not own, tagged with its type.
  template <typename T>
  static Variant FromPointer(T* pointer) {
    Variant v;
    v.value_ = Pointer{const_cast<void*>(static_cast<const void*>(pointer)), &typeid(T)};
    return v;
  }
  // A shared object that the variant co-owns, tagged with its type.
  template <typename T>
  static Variant FromShared(std::shared_ptr<T> pointer) {
    Variant v;
    v.value_ = SharedPointer{std::const_pointer_cast<void>(std::static_pointer_cast<const void>(pointer)), &typeid(T)};
    return v;
  }
  static Variant MakeMap() { return Variant(Map{}); }
  static Variant MakeArray() { return Variant(Array{}); }

  Type type() const { return static_cast<Type>(value_.index()); }
  bool IsNull() const { return type() == Type::kNull; }
  bool IsBool() const { return type() == Type::kBool; }
  bool IsInteger() const;
  bool IsNumber() const { return IsInteger() || type() == Type::kDouble; }
  bool IsString() const { return type() == Type::kString; }
  bool IsArray() const { return type() == Type::kArray; }
  bool IsMap() const { return type() == Type::kMap; }

  // Typed reads with a default. An integer read at another width converts when the value fits;
  // otherwise, and for any other type, the default comes back.
  bool AsBool(bool def = false) const;
  int32_t AsInt32(int32_t def = 0) const;
  uint32_t AsUInt32(uint32_t def = 0) const;
  int64_t AsInt64(int64_t def = 0) const;
  uint64_t AsUInt64(uint64_t def = 0) const;
  double AsDouble(double def = 0.0) const;
  std::string AsString(const std::string& def = {}) const;
  // Empty containers for other types.
  const Array& AsArray() const;
  const Map& AsMap() const;
  Array* MutableArray();
  Map* MutableMap();

  template <typename T>
  T* AsPointer() const {
    auto* p = std::get_if<Pointer>(&value_);
    return p && *p->type == typeid(T) ? static_cast<T*>(p->pointer) : nullptr;
  }
  template <typename T>
  std::shared_ptr<T> AsShared() const {
    auto* p = std::get_if<SharedPointer>(&value_);
    return p && *p->type == typeid(T) ? std::static_pointer_cast<T>(p->pointer) : nullptr;
  }

  // Map access. operator[] turns a null value into a map; on any other non-map type it answers a
  // detached null value so that misuse cannot corrupt the value.
  Variant& operator[](std::string_view key);
  const Variant& operator[](std::string_view key) const { return Get(key); }
  Variant& operator[](const char* key) { return (*this)[std::string_view(key)]; }
  const Variant& operator[](const char* key) const { return Get(key); }
  bool Has(std::string_view key) const;
  const Variant& Get(std::string_view key) const;  // null when missing
  Variant& Set(std::string_view key, Variant value);
  bool Remove(std::string_view key);

  // Keyed typed reads.
  bool GetBool(std::string_view key, bool def = false) const { return Get(key).AsBool(def); }
  int32_t GetInt32(std::string_view key, int32_t def = 0) const { return Get(key).AsInt32(def); }
  uint32_t GetUInt32(std::string_view key, uint32_t def = 0) const { return Get(key).AsUInt32(def); }
  int64_t GetInt64(std::string_view key, int64_t def = 0) const { return Get(key).AsInt64(def); }
  uint64_t GetUInt64(std::string_view key, uint64_t def = 0) const { return Get(key).AsUInt64(def); }
  double GetDouble(std::string_view key, double def = 0.0) const { return Get(key).AsDouble(def); }
  std::string GetString(std::string_view key, const std::string& def = {}) const { return Get(key).AsString(def); }

  // Array access. operator[] on an index outside the array answers a detached null value.
  Variant& operator[](size_t index);
  const Variant& operator[](size_t index) const;
  Variant& operator[](int index) { return (*this)[static_cast<size_t>(index)]; }
  const Variant& operator[](int index) const { return (*this)[static_cast<size_t>(index)]; }
  // Appends to an array (a null value becomes an array).
  Variant& Add(Variant value);
  // Elements of an array or members of a map; 0 otherwise.
  size_t Size() const;

  // JSON: integers stay integers of the narrowest signed width that holds them (unsigned only
  // above INT64_MAX), so JSON -> Variant -> JSON is exact. Pointers become null.
  std::string ToJson() const;
  static Variant FromJson(std::string_view text, bool* ok = nullptr);
  // Strings as they are, everything else as JSON.
  std::string ToString() const;

  // Numbers compare by value across widths; everything else by type and value.
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  struct Pointer {
    void* pointer;
    const std::type_info* type;
    bool operator==(const Pointer& o) const { return pointer == o.pointer; }
  };
  struct SharedPointer {
    std::shared_ptr<void> pointer;
    const std::type_info* type;
    bool operator==(const SharedPointer& o) const { return pointer == o.pointer; }
  };

  std::variant<std::monostate, bool, int32_t, uint32_t, int64_t, uint64_t, double, std::string, Array, Map, Pointer,
               SharedPointer>
      value_;
};

}  // namespace base::variant
