#include "host/sdk/utils/user_config.h"

#include "host/app/host_model_ids.h"
#include "host/framework/module/module_service.h"

namespace kovanisdk::utils::user_config {

using base::variant::Variant;

Variant GetValue(const std::string& key, const Variant& def) {
  auto store = framework::module::GetAppModuleModel(host::app::kUserConfigModelId);
  Variant args = Variant::MakeMap();
  args.Set("key", key);
  args.Set("def_value", def);
  Variant value = def;
  if (!store || !store->Call(host::app::kUserConfigGet, args, &value)) return def;
  return value;
}

std::string GetString(const std::string& key, const std::string& def) { return GetValue(key, def).AsString(def); }

bool SetValue(const std::string& key, const Variant& value) {
  auto store = framework::module::GetAppModuleModel(host::app::kUserConfigModelId);
  if (!store) return false;
  Variant args = Variant::MakeMap();
  args.Set("key", key);
  args.Set("value", value);
  return store->Call(host::app::kUserConfigSet, args, nullptr);
}

}  // namespace kovanisdk::utils::user_config
