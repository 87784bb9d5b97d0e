#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quick_record {

// The share settings of one record, with what the share dialog offers.
struct tagLinkData {
  struct SwitchCfg {
    bool default_state = false;
    std::string close_tip;
    int32_t permission_point_id = 0;
    int32_t permission_group_id = 0;
    bool default_need_pwd = false;
    std::string point_tip;
  };
  struct UiVisibleCfg {
    bool lintra_share_visible = false;
    bool company_contacts_visible = false;
    bool new_meeting_member_visible = false;
    bool download_visible = false;
    bool view_minutes_visible = false;
    bool expire_visible = false;
    bool senior_setting_visible = false;
  };
  struct ShareCfg {
    std::string share_id;
    std::string share_link;
    std::string share_link_short;
    std::string activity_id;
    std::string activity_uid;
  };
  struct PermissionPoint {
    int32_t id = 0;
    std::string tip;
    std::string switch_tip;
    int32_t extra_type = 0;
  };
  struct AccessCfg {
    int32_t id = 0;
    std::string tip;
    std::string co_tip;
    bool is_remove = false;
  };
  struct PermissionGroup {
    int32_t id = 0;
    std::string tip;
    int32_t default_access_id = 0;
    std::vector<AccessCfg> access_cfg;
  };
  struct UserShareSet {
    bool switch_state = false;
    int32_t permission_point_cfg = 0;  // the chosen point
    int32_t permission_group_cfg = 0;  // the chosen group
    int64_t expired_time = 0;
    int32_t expired_time_type = 0;
    bool download_enable = false;
    bool view_minutes_enable = false;
  };

  std::string msg;
  bool is_success = false;
  int32_t record_type = 0;
  SwitchCfg switch_cfg;
  UiVisibleCfg ui_visible_cfg;
  ShareCfg share_cfg;
  std::vector<PermissionPoint> permission_point_cfg;
  std::vector<PermissionGroup> permission_group_cfg;
  UserShareSet user_share_set;
  std::string out_tip;
  bool is_gray = false;
  int32_t assign_user_num = 0;
  std::string grant_permisson_cfg;  // the back end's object as compact JSON; empty without one
  int32_t role_type = 0;
};

}  // namespace quick_record
