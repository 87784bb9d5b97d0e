#pragma once

#include <vector>

#include "host/base/json/json_value.h"
#include "module/quick_record/cloud/requests/share/share_user_info.h"

namespace quick_record {

// Users of the share requests, read from and written to JSON.
class ShareUserJson {
 public:
  static ShareUserInfo ParseUser(const base::json::JsonValue& json);
  static ShareGrantUserInfo ParseGrantUser(const base::json::JsonValue& json);
  // [{"app_id", "app_uid"}, ...]
  static base::json::JsonValue MemberArray(const std::vector<ShareUserInfo>& users);
};

}  // namespace quick_record
