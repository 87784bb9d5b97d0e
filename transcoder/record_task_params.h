#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/base/json/json_value.h"
#include "host/sdk/bridge/transcode_task_message.h"
#include "transcoder/cos_client.h"

namespace qr_transcoder {

class MessageFields;

// The video grant of an auth or local upload message: "cos_url" (or "cos_key"),
// "video_session_token" and the verb texts under `auth_key`.
CosGrant ReadVideoGrant(MessageFields& fields, const char* auth_key);

// "quick_record:start_transcode" as received: the module's message and the text it came in.
struct RecordTaskParams : kovanisdk::bridge::TranscodeTaskMessage {
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
