#include "module/quick_record/model/performance_alert_config.h"

#include <algorithm>
#include <functional>

#include "module/quick_record/model/ability_config.h"

namespace quick_record {

using base::variant::Variant;

namespace {

int32_t Percentage(const Variant& rule, const char* key, int32_t def) {
  const int32_t value = rule.GetInt32(key, def);
  return value >= 1 && value <= 100 ? value : def;
}

int32_t Seconds(const Variant& rule, const char* key, int32_t def) {
  const int32_t value = rule.GetInt32(key, def);
  return value >= 1 ? value : def;
}

std::vector<int32_t> Ladder(const Variant& rule, const char* key, int32_t below) {
  std::vector<int32_t> ladder;
  const Variant& list = rule.Get(key);
  if (list.type() != Variant::Type::kArray) return ladder;
  for (const auto& value : list.AsArray()) {
    const int32_t fps = value.AsInt32();
    if (fps >= 1 && fps < below && std::find(ladder.begin(), ladder.end(), fps) == ladder.end()) ladder.push_back(fps);
  }
  std::sort(ladder.begin(), ladder.end(), std::greater<>());
  return ladder;
}

}  // namespace

PerformanceAlertConfig PerformanceAlertConfig::FromVariant(const Variant& rule) {
  PerformanceAlertConfig config;
  config.switch_on = rule.GetBool("switch", false);
  config.sys_busy = Percentage(rule, "sys_busy", config.sys_busy);
  config.sys_free = Percentage(rule, "sys_free", config.sys_free);
  config.degrade_time = Seconds(rule, "degrade_time", config.degrade_time);
  config.upgrade_time = Seconds(rule, "upgrade_time", config.upgrade_time);
  config.upgrade_smooth_time = Seconds(rule, "upgrade_smooth_time", config.upgrade_smooth_time);
  config.degrade_30_levels = Ladder(rule, "degrade_30_levels", 30);
  config.degrade_15_levels = Ladder(rule, "degrade_15_levels", 15);
  return config;
}

PerformanceAlertConfig PerformanceAlertConfig::Read() { return FromVariant(ReadAbilityMap(kKey)); }

}  // namespace quick_record
