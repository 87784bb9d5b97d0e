#include "host/app/user_config_model.h"

#include "host/app/host_model_ids.h"

namespace host::app {

using base::variant::Variant;

UserConfigModel::UserConfigModel() : framework::ModelImpl(kUserConfigModelId) {
  BindMethod(kUserConfigGet, [this](const Variant& args, Variant* result) {
    if (result) *result = Get(args.GetString("key"), args.Get("def_value"));
    return true;
  });
  BindMethod(kUserConfigSet, [this](const Variant& args, Variant*) {
    Set(args.GetString("key"), args.Get("value"));
    return true;
  });
}

Variant UserConfigModel::Get(const std::string& key, const Variant& def) const {
  auto it = values_.find(key);
  return it == values_.end() ? def : it->second;
}

void UserConfigModel::Set(const std::string& key, Variant value) {
  values_[key] = std::move(value);
  Variant change = Variant::MakeMap();
  change.Set("key", key);
  FireEvent(kUserConfigChangedEvent, change);
}

}  // namespace host::app
