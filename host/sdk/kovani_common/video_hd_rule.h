#pragma once

#include <cstdint>

#include "host/base/variant/variant.h"

// Whether this machine may record in full HD (1920 x 1080 at 30 fps), decided on a rule the
// configuration gives (section "quick_record_ability", key "rule_for_full_hd"):
//   {"min_logical_cpus": 4, "min_physical_cpus": 2, "min_memory_mb": 4096}
// as a map or as its JSON text. A missing key sets no bound; a rule that is absent or cannot be
// read falls back to kDefaultVideoHdRule.
namespace kovani_common::utils::record {

inline constexpr char kDefaultVideoHdRule[] = R"({"min_logical_cpus": 4, "min_memory_mb": 4096})";

struct MachineFigures {
  int logical_cpus = 0;
  int physical_cpus = 0;
  int64_t memory_mb = 0;
};

// The figures of the machine this runs on.
MachineFigures GetMachineFigures();
bool MachineMeetsVideoHdRule(const base::variant::Variant& rule, const MachineFigures& machine);
bool IsMachineSupportVideoHD(const base::variant::Variant& rule);

}  // namespace kovani_common::utils::record
