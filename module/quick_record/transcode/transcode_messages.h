#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace quick_record {

// What "quick_record:start_transcode" asks of the process for one recording.
struct TranscodeParams {
  std::string instance_id;
  std::string in_video_file;
  std::string in_video_index_file;
  std::string in_audio_file;
  std::string in_audio_index_file;
  std::string output_file;
  std::string output_m4a_file;
  bool is_record_complete = false;
  int32_t transcoding_threshold = 50;
  int64_t record_time_duration = 0;
  bool is_local_record = false;
  bool need_upload_file = true;
  bool upload_cover_file = true;
  bool is_recovery_upload = false;
};

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
