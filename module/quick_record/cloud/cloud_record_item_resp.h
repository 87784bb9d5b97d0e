#pragma once

#include <cstdint>
#include <string>

#include "module/quick_record/cloud/record_access_info.h"

namespace quick_record {

// One record of a back-end list answer. Every field keeps its default when the answer lacks it.
struct CloudRecordItemResp : RecordAccessInfo {
  struct MeetingInfo {
    std::string subject;
    std::string meeting_code;
    std::string meeting_id;
  };
  struct HoverMsg {
    int32_t msg_type = 0;
    int64_t time_at = 0;
  };

  std::string record_id;
  std::string title;
  std::string start_time;
  std::string end_time;
  std::string duration;
  std::string cover_url;
  std::string encode_record_id;
  std::string uni_record_id;
  int32_t video_width = 0;
  int32_t video_height = 0;
  int32_t record_count = 0;
  int32_t is_del = 0;
  std::string jump_path;
  std::string jump_path_short;
  std::string record_state;  // the back end's integer as decimal text
  std::string record_state_tips;
  std::string recorder_uid;
  std::string recorder_username;
  std::string recorder_avatar;
  int64_t last_view_time = 0;
  MeetingInfo meeting_info;
  int32_t record_type = 0;  // 0 cloud recording, 1 quick recording, 2 uploaded file
  std::string privilege_tips;
  std::string password;
  std::string share_url;
  std::string share_url_short;
  int64_t share_url_expired = 0;
  int32_t play_video_permitted = 0;
  int32_t play_video_code = 0;
  std::string play_video_tips;
  int32_t viewer_status = 0;
  std::string cover_msg;
  HoverMsg hover_msg;
  bool show_red_point = false;
  int64_t sort_num = 0;
  std::string file_id;
  int32_t is_rooms = 0;
  bool is_admin = false;
  int32_t role_type = 0;
};

}  // namespace quick_record
