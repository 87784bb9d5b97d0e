#include "module/quick_record/model/ability_config.h"

#include "host/sdk/utils/config_service.h"

namespace quick_record {

using base::variant::Variant;

Variant ReadAbilityMap(const std::string& key) {
  Variant value = kovanisdk::utils::config::GetValue(kAbilitySection, key);
  if (value.type() == Variant::Type::kString) value = Variant::FromJson(value.AsString());
  return value.type() == Variant::Type::kMap ? value : Variant::MakeMap();
}

}  // namespace quick_record
