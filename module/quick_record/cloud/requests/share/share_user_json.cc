#include "module/quick_record/cloud/requests/share/share_user_json.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

ShareUserInfo ShareUserJson::ParseUser(const JsonValue& json) {
  ShareUserInfo user;
  user.app_id = Read::Text(json, "app_id");
  user.app_uid = Read::Text(json, "app_uid");
  user.nickname = Read::Text(json, "nickname");
  user.avatar = Read::Text(json, "avatar");
  user.is_grant = Read::Bool(json, "is_grant");
  return user;
}

ShareGrantUserInfo ShareUserJson::ParseGrantUser(const JsonValue& json) {
  ShareGrantUserInfo user;
  static_cast<ShareUserInfo&>(user) = ParseUser(json);
  user.department = Read::Text(json, "department");
  user.highlight_tip = Read::Text(json, "highlight_tip");
  user.user_type = Read::Int32(json, "user_type");
  user.permission_id = Read::Int32(json, "permission_id");
  user.is_highlight = Read::Bool(json, "is_highlight");
  return user;
}

JsonValue ShareUserJson::MemberArray(const std::vector<ShareUserInfo>& users) {
  JsonValue array = JsonValue::Array();
  for (const auto& user : users) {
    JsonValue member = JsonValue::Object();
    member.SetJsonObject("app_id", user.app_id);
    member.SetJsonObject("app_uid", user.app_uid);
    array.AddaJsonObject(member);
  }
  return array;
}

}  // namespace quick_record
