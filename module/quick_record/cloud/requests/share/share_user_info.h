#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// A user as the share dialogs list them.
struct ShareUserInfo {
  std::string app_id;
  std::string app_uid;
  std::string nickname;
  std::string avatar;
  bool is_grant = false;
};

// A user in the list of those a record is shared with.
struct ShareGrantUserInfo : ShareUserInfo {
  std::string department;
  std::string highlight_tip;
  int32_t user_type = 0;
  int32_t permission_id = 0;
  bool is_highlight = false;
};

}  // namespace quick_record
