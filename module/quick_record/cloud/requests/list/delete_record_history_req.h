#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// Removes one record from the user's recent list.
struct DeleteRecordHistoryReq {
  std::string uni_record_id;
  std::string record_id;
  int32_t record_type = 0;  // the record kind of the list item; 3 is a cloud recording
};

}  // namespace quick_record
