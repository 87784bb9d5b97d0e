#pragma once

#include <cstdint>
#include <vector>

#include "host/base/variant/variant.h"

namespace quick_record {

// When the performance monitor changes the recording's frame rate: the ability rule
// "quick_record_performance_alert_config" of the section "quick_record_ability", with every
// out-of-range value replaced by its default.
struct PerformanceAlertConfig {
  static constexpr char kKey[] = "quick_record_performance_alert_config";

  bool switch_on = false;  // without the rule the monitor only measures
  int32_t sys_busy = 90;
  int32_t sys_free = 80;
  int32_t degrade_time = 8;
  int32_t upgrade_time = 16;
  int32_t upgrade_smooth_time = 60;
  // Rates below 30 and below 15, highest first.
  std::vector<int32_t> degrade_30_levels;
  std::vector<int32_t> degrade_15_levels;

  static PerformanceAlertConfig FromVariant(const base::variant::Variant& rule);
  static PerformanceAlertConfig Read();
};

}  // namespace quick_record
