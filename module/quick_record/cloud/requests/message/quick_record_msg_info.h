#pragma once

#include <cstdint>

namespace quick_record {

// The red-dot state of one page.
struct QuickRecordMsgInfo {
  bool is_show = false;
  int32_t type = 0;
  int32_t count = 0;
};

}  // namespace quick_record
