#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// The outcome of a rename, after its review.
struct UpdateRecordResp {
  bool success = false;
  std::string message;
  int64_t code = 0;
};

}  // namespace quick_record
