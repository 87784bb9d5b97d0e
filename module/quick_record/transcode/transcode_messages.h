#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "host/sdk/bridge/transcode_task_message.h"

namespace quick_record {

// "quick_record:start_transcode" is described once, for the module and the process alike.
using kovanisdk::bridge::TranscodeTaskMessage;

// Where the video and cover of a record go and the grants to put them there, as the back end's
// start answer gives them. The verb-to-grant maps travel beside the session tokens because the
// object store checks a grant per verb.
struct UploadAuthParams {
  std::string instance_id;
  std::string record_type = "fast_record";
  std::string bucket_name;
  std::string cos_key;
  std::string cos_url;
  std::string record_id;
  std::string cover_cos_key;
  std::string cover_session_token;
  std::string video_session_token;
  std::map<std::string, std::string> video_auth_info;
  std::map<std::string, std::string> cover_auth_info;
  // Not sent with the grant; the recovery message adds output_file so that a process that no
  // longer runs the task can rebuild it from the upload state beside the MP4.
  std::string full_path;
  std::string output_file;
};

// A local file upload (start and resume).
struct LocalUploadParams {
  std::string instance_id;
  std::string local_file_path;
  std::string bucket_name;
  std::string cos_key;
  std::string cos_url;
  std::string record_id;
  std::string video_session_token;
  std::map<std::string, std::string> video_auth_map;
  int64_t segment_size = 0;
};

}  // namespace quick_record
