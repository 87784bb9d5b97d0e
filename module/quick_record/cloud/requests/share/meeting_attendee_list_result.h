#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/cloud/requests/share/share_user_info.h"

namespace quick_record {

// One page of the attendees of a record's meeting, or of a user search.
struct MeetingAttendeeListResult {
  bool success = false;  // set by the plugin: business code 0 and HTTP 200
  int64_t count = 0;
  int64_t granted_cnt = 0;
  bool has_more = false;
  bool is_large_meeting = false;
  bool is_large_all_selected = false;
  int64_t blacklist_size = 0;
  std::string data_version;
  int32_t next_page = 0;
  std::vector<ShareUserInfo> list;
};

}  // namespace quick_record
