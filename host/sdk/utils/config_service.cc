#include "host/sdk/utils/config_service.h"

#include "host/app/host_model_ids.h"
#include "host/framework/module/module_service.h"

namespace kovanisdk::utils::config {

using base::variant::Variant;

Variant GetValue(const std::string& section, const std::string& key, const Variant& def) {
  auto model = framework::module::GetAppModuleModel(host::app::kConfigModelId);
  Variant result;
  Variant args = Variant::MakeMap();
  args.Set("section", section);
  args.Set("key", key);
  args.Set("def_value", def);
  if (!model || !model->Call(host::app::kConfigGetValue, args, &result)) return def;
  return result;
}

bool GetBool(const std::string& section, const std::string& key, bool def) {
  const Variant value = GetValue(section, key, def);
  // Configuration files written by hand say "true"/"1" as often as true.
  if (value.IsString()) return value.AsString() == "true" || value.AsString() == "1";
  if (value.IsInteger()) return value.AsInt64() != 0;
  return value.AsBool(def);
}

std::string GetString(const std::string& section, const std::string& key, const std::string& def) {
  return GetValue(section, key, def).AsString(def);
}

}  // namespace kovanisdk::utils::config
