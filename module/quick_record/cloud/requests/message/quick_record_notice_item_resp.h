#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// One notice: a comment or a reply on a recording.
struct QuickRecordNoticeItemResp {
  int32_t type = 0;
  std::string title;
  std::string avatar_url;
  std::string username;
  std::string user_uid;
  std::string content;
  int64_t video_elasped_time = 0;
  int64_t create_time = 0;
  std::string reply_to_name;
  std::string reply_to_uid;
  bool show_reddot = false;
  std::string comment_id;
  std::string reply_id;
  std::string record_id;
};

struct QuickRecordNoticeListResult : QuickRecordResultEnvelope {
  std::string last_index;  // the cursor of the next page
  std::vector<QuickRecordNoticeItemResp> notices;
};

}  // namespace quick_record
