#include "host/app/config_model.h"

#include <set>
#include <utility>

#include "host/app/host_model_ids.h"

namespace host::app {

using base::variant::Variant;

ConfigModel::ConfigModel(Variant sections) : framework::ModelImpl(kConfigModelId), sections_(std::move(sections)) {
  BindMethod(kConfigGetValue, [this](const Variant& args, Variant* result) {
    if (result) *result = GetValue(args.GetString("section"), args.GetString("key"), args.Get("def_value"));
    return true;
  });
  BindMethod(kConfigSetValue, [this](const Variant& args, Variant*) {
    SetValue(args.GetString("section"), args.GetString("key"), args.Get("value"));
    return true;
  });
  BindMethod(kConfigGetSection, [this](const Variant& args, Variant* result) {
    if (result) *result = sections_.Get(args.GetString("section"));
    return true;
  });
}

Variant ConfigModel::GetValue(const std::string& section, const std::string& key, const Variant& def) const {
  const Variant& value = sections_.Get(section).Get(key);
  return value.IsNull() ? def : value;
}

void ConfigModel::SetValue(const std::string& section, const std::string& key, Variant value) {
  if (sections_.Get(section).Get(key) == value) return;
  sections_[section].Set(key, std::move(value));
  AnnounceChange(section, key);
}

void ConfigModel::ReplaceSections(Variant sections) {
  const Variant previous = std::move(sections_);
  sections_ = std::move(sections);
  std::set<std::pair<std::string, std::string>> keys;
  for (const Variant* side : {&previous, static_cast<const Variant*>(&sections_)}) {
    for (const auto& [section, values] : side->AsMap()) {
      for (const auto& [key, value] : values.AsMap()) keys.emplace(section, key);
    }
  }
  for (const auto& [section, key] : keys) {
    if (previous.Get(section).Get(key) != sections_.Get(section).Get(key)) AnnounceChange(section, key);
  }
}

void ConfigModel::AnnounceChange(const std::string& section, const std::string& key) {
  Variant change = Variant::MakeMap();
  change.Set("section", section);
  change.Set("key", key);
  FireEvent(kConfigChangedEvent, change);
}

}  // namespace host::app
