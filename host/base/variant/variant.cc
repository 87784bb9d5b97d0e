#include "host/base/variant/variant.h"

#include <cmath>
#include <limits>
#include <type_traits>

#include <nlohmann/json.hpp>

namespace base::variant {
namespace {

const Variant& NullVariant() {
  static const Variant null;
  return null;
}

// A writable null for misuse of operator[]; reset on every use so nothing leaks between callers.
Variant& DetachedNull() {
  thread_local Variant detached;
  detached = Variant();
  return detached;
}

template <typename To, typename From>
bool FitsIn(From v) {
  if constexpr (std::is_signed_v<From> == std::is_signed_v<To>) {
    return v >= std::numeric_limits<To>::min() && v <= std::numeric_limits<To>::max();
  } else if constexpr (std::is_signed_v<From>) {
    return v >= 0 && static_cast<std::make_unsigned_t<From>>(v) <= std::numeric_limits<To>::max();
  } else {
    return v <= static_cast<std::make_unsigned_t<To>>(std::numeric_limits<To>::max());
  }
}

template <typename To, typename Storage>
To IntegerAs(const Storage& value, To def) {
  return std::visit(
      [def](const auto& v) -> To {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>) {
          return FitsIn<To>(v) ? static_cast<To>(v) : def;
        } else if constexpr (std::is_same_v<V, double>) {
          // A double that holds a whole number in range reads as that integer.
          if (std::isfinite(v) && std::trunc(v) == v && v >= static_cast<double>(std::numeric_limits<To>::min()) &&
              v < static_cast<double>(std::numeric_limits<To>::max())) {
            return static_cast<To>(v);
          }
          return def;
        } else {
          return def;
        }
      },
      value);
}

nlohmann::json ToJsonValue(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::kBool: return v.AsBool();
    case Variant::Type::kInt32:
    case Variant::Type::kInt64: return v.AsInt64();
    case Variant::Type::kUInt32:
    case Variant::Type::kUInt64: return v.AsUInt64();
    case Variant::Type::kDouble: return v.AsDouble();
    case Variant::Type::kString: return v.AsString();
    case Variant::Type::kArray: {
      nlohmann::json array = nlohmann::json::array();
      for (const auto& item : v.AsArray()) array.push_back(ToJsonValue(item));
      return array;
    }
    case Variant::Type::kMap: {
      nlohmann::json object = nlohmann::json::object();
      for (const auto& [key, item] : v.AsMap()) object[key] = ToJsonValue(item);
      return object;
    }
    default: return nullptr;
  }
}

Variant FromJsonValue(const nlohmann::json& j) {
  switch (j.type()) {
    case nlohmann::json::value_t::boolean: return Variant(j.get<bool>());
    case nlohmann::json::value_t::number_integer: {
      const int64_t v = j.get<int64_t>();
      return FitsIn<int32_t>(v) ? Variant(static_cast<int32_t>(v)) : Variant(v);
    }
    case nlohmann::json::value_t::number_unsigned: {
      const uint64_t v = j.get<uint64_t>();
      if (FitsIn<int32_t>(v)) return Variant(static_cast<int32_t>(v));
      if (FitsIn<int64_t>(v)) return Variant(static_cast<int64_t>(v));
      return Variant(v);
    }
    case nlohmann::json::value_t::number_float: return Variant(j.get<double>());
    case nlohmann::json::value_t::string: return Variant(j.get<std::string>());
    case nlohmann::json::value_t::array: {
      Variant::Array array;
      array.reserve(j.size());
      for (const auto& item : j) array.push_back(FromJsonValue(item));
      return Variant(std::move(array));
    }
    case nlohmann::json::value_t::object: {
      Variant::Map map;
      for (const auto& [key, item] : j.items()) map.emplace(key, FromJsonValue(item));
      return Variant(std::move(map));
    }
    default: return Variant();
  }
}

}  // namespace

bool Variant::IsInteger() const {
  const Type t = type();
  return t == Type::kInt32 || t == Type::kUInt32 || t == Type::kInt64 || t == Type::kUInt64;
}

bool Variant::AsBool(bool def) const {
  const bool* v = std::get_if<bool>(&value_);
  return v ? *v : def;
}

int32_t Variant::AsInt32(int32_t def) const { return IntegerAs<int32_t>(value_, def); }
uint32_t Variant::AsUInt32(uint32_t def) const { return IntegerAs<uint32_t>(value_, def); }
int64_t Variant::AsInt64(int64_t def) const { return IntegerAs<int64_t>(value_, def); }
uint64_t Variant::AsUInt64(uint64_t def) const { return IntegerAs<uint64_t>(value_, def); }

double Variant::AsDouble(double def) const {
  return std::visit(
      [def](const auto& v) -> double {
        using V = std::decay_t<decltype(v)>;
        if constexpr ((std::is_integral_v<V> && !std::is_same_v<V, bool>) || std::is_same_v<V, double>) {
          return static_cast<double>(v);
        } else {
          return def;
        }
      },
      value_);
}

std::string Variant::AsString(const std::string& def) const {
  const std::string* v = std::get_if<std::string>(&value_);
  return v ? *v : def;
}

const Variant::Array& Variant::AsArray() const {
  static const Array empty;
  const Array* v = std::get_if<Array>(&value_);
  return v ? *v : empty;
}

const Variant::Map& Variant::AsMap() const {
  static const Map empty;
  const Map* v = std::get_if<Map>(&value_);
  return v ? *v : empty;
}

Variant::Array* Variant::MutableArray() {
  if (IsNull()) value_ = Array{};
  return std::get_if<Array>(&value_);
}

Variant::Map* Variant::MutableMap() {
  if (IsNull()) value_ = Map{};
  return std::get_if<Map>(&value_);
}

Variant& Variant::operator[](std::string_view key) {
  Map* map = MutableMap();
  if (!map) return DetachedNull();
  auto it = map->find(key);
  if (it == map->end()) it = map->emplace(std::string(key), Variant()).first;
  return it->second;
}

bool Variant::Has(std::string_view key) const {
  const Map* map = std::get_if<Map>(&value_);
  return map && map->find(key) != map->end();
}

const Variant& Variant::Get(std::string_view key) const {
  const Map* map = std::get_if<Map>(&value_);
  if (!map) return NullVariant();
  auto it = map->find(key);
  return it == map->end() ? NullVariant() : it->second;
}

Variant& Variant::Set(std::string_view key, Variant value) {
  (*this)[key] = std::move(value);
  return *this;
}

bool Variant::Remove(std::string_view key) {
  Map* map = std::get_if<Map>(&value_);
  if (!map) return false;
  auto it = map->find(key);
  if (it == map->end()) return false;
  map->erase(it);
  return true;
}

Variant& Variant::operator[](size_t index) {
  Array* array = std::get_if<Array>(&value_);
  if (!array || index >= array->size()) return DetachedNull();
  return (*array)[index];
}

const Variant& Variant::operator[](size_t index) const {
  const Array* array = std::get_if<Array>(&value_);
  if (!array || index >= array->size()) return NullVariant();
  return (*array)[index];
}

Variant& Variant::Add(Variant value) {
  Array* array = MutableArray();
  if (!array) return DetachedNull();
  array->push_back(std::move(value));
  return array->back();
}

size_t Variant::Size() const {
  if (const Array* array = std::get_if<Array>(&value_)) return array->size();
  if (const Map* map = std::get_if<Map>(&value_)) return map->size();
  return 0;
}

std::string Variant::ToJson() const { return ToJsonValue(*this).dump(); }

Variant Variant::FromJson(std::string_view text, bool* ok) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (ok) *ok = !j.is_discarded();
  return j.is_discarded() ? Variant() : FromJsonValue(j);
}

std::string Variant::ToString() const { return IsString() ? AsString() : ToJson(); }

bool Variant::operator==(const Variant& other) const {
  if (IsInteger() && other.IsInteger()) {
    const bool a_negative = AsInt64(0) < 0 && type() != Type::kUInt64;
    const bool b_negative = other.AsInt64(0) < 0 && other.type() != Type::kUInt64;
    if (a_negative != b_negative) return false;
    return a_negative ? AsInt64() == other.AsInt64() : AsUInt64() == other.AsUInt64();
  }
  if (IsNumber() && other.IsNumber()) return AsDouble() == other.AsDouble();
  return value_ == other.value_;
}

}  // namespace base::variant
