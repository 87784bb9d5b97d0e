#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/base/json/json_value.h"
#include "transcoder/cos_client.h"

namespace qr_transcoder {

class MessageFields;

// The video grant of an auth or local upload message: "cos_url" (or "cos_key"),
// "video_session_token" and the verb texts under `auth_key`.
CosGrant ReadVideoGrant(MessageFields& fields, const char* auth_key);

// The fields of "quick_record:start_transcode".
struct RecordTaskParams {
  std::string instance_id;
  std::string in_video_file;
  std::string in_video_index_file;
  std::string in_audio_file;
  std::string in_audio_index_file;
  std::string output_file;
  std::string output_m4a_file;
  bool is_record_complete = false;
  // New frames (video and audio together) that make a remux pass worth doing while recording.
  int64_t transcoding_threshold = 50;
  int64_t record_time_duration = 0;
  bool is_local_record = false;
  bool need_upload_file = true;
  bool upload_cover_file = true;
  bool is_recovery_upload = false;
  base::json::JsonValue message;  // as received, kept in the upload state for a recovery

  // The cover the recorder wrote beside the video stream: "<base>.kovtc".
  std::string CoverPath() const;
  // nullopt with the bad fields in *problems.
  static std::optional<RecordTaskParams> Parse(const base::json::JsonValue& json, std::string* problems);
};

// The fields of "quick_record:upload_file_auth" and of the recovery message. Besides the named
// fields, "video_auth_info" and "cover_auth_info" carry the authorisation text of each verb
// ({"get", "put", "post", "head"}) of the back end's start answer.
struct UploadAuth {
  std::string instance_id;
  std::string record_id;
  std::string record_type;
  std::string bucket_name;
  CosGrant video;
  CosGrant cover;

  static std::optional<UploadAuth> Parse(const base::json::JsonValue& json, std::string* problems);
};

}  // namespace qr_transcoder
