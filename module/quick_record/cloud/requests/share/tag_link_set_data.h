#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// A new share setting of one record.
struct tagLinkSetData {
  std::string uni_record_id;
  std::string record_id;
  int32_t record_type = 0;  // the record kind, sent as decimal text
  bool switch_state = false;
  int32_t point_id = 0;
  int32_t group_id = 0;  // a group (with its access) wins over a point
  int32_t access_id = 0;
  int64_t expired_time = 0;
  int32_t expired_time_type = 0;
  bool download_enable = false;
  bool view_minutes_enable = false;
  std::string pwd;
};

}  // namespace quick_record
