#pragma once

#include <cstdint>

#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// The user's cloud quota and what fills it.
struct QuickRecordSpaceInfo : QuickRecordResultEnvelope {
  int64_t total_capacity = 0;
  int64_t meetlog_used_capacity = 0;
  int64_t cloud_record_used_capacity = 0;
  int64_t usedspace = 0;
  int64_t meetlog_count = 0;
  int64_t cloud_record_count = 0;
  int64_t personal_record_count = 0;
  int64_t personal_used_space = 0;
  bool capacity_limit_switch = false;
};

}  // namespace quick_record
