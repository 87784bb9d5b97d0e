#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// Where and how the video and its cover of a started record may be uploaded.
struct QuickRecordStartRecordResult : QuickRecordResultEnvelope {
  std::string record_id;
  std::string cos_url;  // both from "video_cos_key"
  std::string cos_key;
  std::string bucket_name;
  std::string cover_cos_key;
  std::string jump_url;
  std::string jump_url_short;
  std::string video_session_token;
  std::string cover_session_token;
  std::string cover_feature_id;
  std::string title;
  int64_t segment_size = 0;
  // HTTP verb ("get", "put", "post", "head") to authorisation text.
  std::map<std::string, std::string> video_auth;
  std::map<std::string, std::string> cover_auth;
};

}  // namespace quick_record
