#include "host/base/json/json_value.h"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

namespace base::json {
namespace detail {
struct Document {
  nlohmann::json root;
};
}  // namespace detail

namespace {

using nlohmann::json;

const json& NullNode() {
  static const json null;
  return null;
}

std::shared_ptr<detail::Document> MakeDocument(json value) {
  auto doc = std::make_shared<detail::Document>();
  doc->root = std::move(value);
  return doc;
}

}  // namespace

#define NODE (*static_cast<const json*>(node_))

JsonValue::JsonValue() : JsonValue(MakeDocument(nullptr), nullptr) {}
JsonValue::JsonValue(bool v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(int32_t v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(int64_t v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(uint32_t v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(uint64_t v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(double v) : JsonValue(MakeDocument(v), nullptr) {}
JsonValue::JsonValue(const char* v) : JsonValue(MakeDocument(std::string(v ? v : "")), nullptr) {}
JsonValue::JsonValue(std::string_view v) : JsonValue(MakeDocument(std::string(v)), nullptr) {}

JsonValue::JsonValue(std::shared_ptr<detail::Document> doc, const void* node)
    : doc_(std::move(doc)), node_(node ? node : &doc_->root) {}

JsonValue JsonValue::Object() { return JsonValue(MakeDocument(json::object()), nullptr); }
JsonValue JsonValue::Array() { return JsonValue(MakeDocument(json::array()), nullptr); }

JsonValue JsonValue::Parse(std::string_view text) {
  json parsed = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) {
    JsonValue invalid;
    invalid.valid_ = false;
    return invalid;
  }
  return JsonValue(MakeDocument(std::move(parsed)), nullptr);
}

bool JsonValue::IsNull() const { return NODE.is_null(); }
bool JsonValue::IsObject() const { return NODE.is_object(); }
bool JsonValue::IsArray() const { return NODE.is_array(); }
bool JsonValue::IsString() const { return NODE.is_string(); }
bool JsonValue::IsBoolean() const { return NODE.is_boolean(); }
bool JsonValue::IsInteger() const { return NODE.is_number_integer(); }
bool JsonValue::IsReal() const { return NODE.is_number_float(); }
bool JsonValue::IsNumeric() const { return NODE.is_number(); }

bool JsonValue::Contain(std::string_view key) const { return NODE.is_object() && NODE.contains(key); }

JsonValue JsonValue::operator[](std::string_view key) const {
  if (!NODE.is_object()) return JsonValue(doc_, &NullNode());
  auto it = NODE.find(key);
  return JsonValue(doc_, it == NODE.end() ? &NullNode() : &*it);
}

JsonValue JsonValue::operator[](size_t index) const {
  if (!NODE.is_array() || index >= NODE.size()) return JsonValue(doc_, &NullNode());
  return JsonValue(doc_, &NODE[index]);
}

size_t JsonValue::Size() const { return NODE.is_object() || NODE.is_array() ? NODE.size() : 0; }

std::string JsonValue::AsString(const std::string& def) const {
  return NODE.is_string() ? NODE.get_ref<const std::string&>() : def;
}

int64_t JsonValue::AsInteger(int64_t def) const {
  const json& n = NODE;
  if (n.is_number_unsigned()) {
    const uint64_t v = n.get<uint64_t>();
    return v <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ? static_cast<int64_t>(v) : def;
  }
  if (n.is_number_integer()) return n.get<int64_t>();
  if (n.is_number_float()) {
    const double v = n.get<double>();
    if (std::isfinite(v) && std::trunc(v) == v && v >= -9.2233720368547758e18 && v < 9.2233720368547758e18) {
      return static_cast<int64_t>(v);
    }
  }
  return def;
}

uint64_t JsonValue::AsUnsigned(uint64_t def) const {
  const json& n = NODE;
  if (n.is_number_unsigned()) return n.get<uint64_t>();
  if (n.is_number_integer()) {
    const int64_t v = n.get<int64_t>();
    return v >= 0 ? static_cast<uint64_t>(v) : def;
  }
  if (n.is_number_float()) {
    const double v = n.get<double>();
    if (std::isfinite(v) && std::trunc(v) == v && v >= 0 && v < 1.8446744073709552e19) return static_cast<uint64_t>(v);
  }
  return def;
}

double JsonValue::AsReal(double def) const { return NODE.is_number() ? NODE.get<double>() : def; }

bool JsonValue::AsBoolean(bool def) const { return NODE.is_boolean() ? NODE.get<bool>() : def; }

std::vector<std::string> JsonValue::MemberNames() const {
  std::vector<std::string> names;
  if (!NODE.is_object()) return names;
  names.reserve(NODE.size());
  for (auto it = NODE.begin(); it != NODE.end(); ++it) names.push_back(it.key());
  return names;
}

void JsonValue::ForEachMember(const std::function<void(const std::string&, const JsonValue&)>& fn) const {
  if (!NODE.is_object()) return;
  for (auto it = NODE.begin(); it != NODE.end(); ++it) fn(it.key(), JsonValue(doc_, &*it));
}

void JsonValue::ForEachElement(const std::function<void(size_t, const JsonValue&)>& fn) const {
  if (!NODE.is_array()) return;
  for (size_t i = 0; i < NODE.size(); ++i) fn(i, JsonValue(doc_, &NODE[i]));
}

void JsonValue::MakeWritable() {
  // Sole owner of the whole document: change it in place. Otherwise take a private copy of our
  // node so other holders never see the change.
  if (doc_.use_count() == 1 && node_ == &doc_->root) return;
  doc_ = MakeDocument(NODE);
  node_ = &doc_->root;
  valid_ = true;
}

JsonValue& JsonValue::SetJsonObject(std::string_view key, const JsonValue& value) {
  const json copy = *static_cast<const json*>(value.node_);
  MakeWritable();
  json& root = doc_->root;
  if (!root.is_object()) root = json::object();
  root[std::string(key)] = copy;
  return *this;
}

JsonValue& JsonValue::AddaJsonObject(const JsonValue& value) {
  const json copy = *static_cast<const json*>(value.node_);
  MakeWritable();
  json& root = doc_->root;
  if (!root.is_array()) root = json::array();
  root.push_back(copy);
  return *this;
}

bool JsonValue::RemoveMember(std::string_view key) {
  if (!Contain(key)) return false;
  MakeWritable();
  return doc_->root.erase(std::string(key)) > 0;
}

std::string JsonValue::ToStyledString() const {
  return NODE.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string JsonValue::ToCompactString() const { return NODE.dump(-1, ' ', false, json::error_handler_t::replace); }

bool JsonValue::operator==(const JsonValue& other) const {
  return *static_cast<const json*>(node_) == *static_cast<const json*>(other.node_);
}

#undef NODE

}  // namespace base::json
