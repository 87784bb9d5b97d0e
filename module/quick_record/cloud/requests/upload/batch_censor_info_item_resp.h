#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// The censor's verdict on one file name.
struct BatchCensorInfoItemResp {
  std::string file_id;
  std::string file_name;
  int32_t status = 0;  // 0 passed, 2 blocked
  bool is_pass = false;
  std::string tips;
};

}  // namespace quick_record
