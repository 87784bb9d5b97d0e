#include "host/sdk/kovani_common/video_hd_rule.h"

#include "host/base/logging/logger.h"
#include "host/util/deviceinfo.h"

namespace kovani_common::utils::record {

using base::variant::Variant;

namespace {

Variant ReadRule(const Variant& rule) {
  if (rule.IsMap()) return rule;
  bool ok = false;
  if (rule.IsString() && !rule.AsString().empty()) {
    Variant parsed = Variant::FromJson(rule.AsString(), &ok);
    if (ok && parsed.IsMap()) return parsed;
    KLOG(3) << "rule_for_full_hd is not a JSON object: " << rule.AsString();
  }
  return Variant::FromJson(kDefaultVideoHdRule);
}

}  // namespace

MachineFigures GetMachineFigures() {
  const auto cpu = util::deviceinfo::GetCpuInfo();
  const int64_t memory = util::deviceinfo::GetTotalMemoryBytes();
  return {cpu.logical_count, cpu.physical_count, memory > 0 ? memory / (1024 * 1024) : 0};
}

bool MachineMeetsVideoHdRule(const Variant& rule, const MachineFigures& machine) {
  const Variant bounds = ReadRule(rule);
  return machine.logical_cpus >= bounds.GetInt32("min_logical_cpus") &&
         machine.physical_cpus >= bounds.GetInt32("min_physical_cpus") &&
         machine.memory_mb >= bounds.GetInt64("min_memory_mb");
}

bool IsMachineSupportVideoHD(const Variant& rule) {
  const MachineFigures machine = GetMachineFigures();
  const bool supported = MachineMeetsVideoHdRule(rule, machine);
  KLOG(6) << "full hd " << (supported ? "supported" : "not supported") << ": " << machine.logical_cpus
          << " logical cpus, " << machine.physical_cpus << " physical, " << machine.memory_mb << " MB";
  return supported;
}

}  // namespace kovani_common::utils::record
