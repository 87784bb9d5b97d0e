#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/cloud/requests/share/share_user_info.h"

namespace quick_record {

// One page of the users a record is shared with.
struct GrantUserListResult {
  bool success = false;  // set by the plugin: business code 0 and HTTP 200
  int64_t member_count = 0;
  bool has_more = false;
  std::string next_cursor;
  std::string last_item_info;
  std::string data_version;
  std::vector<ShareGrantUserInfo> selected_list;
  ShareUserInfo creator;
};

}  // namespace quick_record
