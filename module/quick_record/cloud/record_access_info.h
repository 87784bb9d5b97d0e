#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// Who may see and share a record, as the back end states it. The numbers are carried through
// unchanged from the list answer to the record every view holds, so both types share this part.
struct RecordAccessInfo {
  bool is_single = false;
  int32_t access_type = 0;
  int32_t permission_type = 0;
  int32_t sharing_state = 0;
  std::string activity_uid;
  std::string activity_id;
  std::string access_msg;
};

}  // namespace quick_record
