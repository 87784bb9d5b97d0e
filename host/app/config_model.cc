#include "host/app/config_model.h"

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
  Variant change = Variant::MakeMap();
  change.Set("section", section);
  change.Set("key", key);
  FireEvent(kConfigChangedEvent, change);
}

}  // namespace host::app
