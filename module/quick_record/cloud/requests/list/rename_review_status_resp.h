#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// The verdict of a title review: 0 accepted, 2 rejected, anything else still pending.
struct RenameReviewStatusResp {
  int32_t status = 0;
  std::string tips;
};

}  // namespace quick_record
