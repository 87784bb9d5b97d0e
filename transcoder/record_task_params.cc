#include "transcoder/record_task_params.h"

#include <algorithm>

#include "transcoder/message_fields.h"

namespace qr_transcoder {

using base::json::JsonValue;

namespace {

constexpr char kVideoEnding[] = ".kovtv";
constexpr char kCoverEnding[] = ".kovtc";

std::map<std::string, std::string> AuthTexts(const JsonValue& object) {
  std::map<std::string, std::string> auth;
  object.ForEachMember([&](const std::string& verb, const JsonValue& text) {
    if (text.IsString()) auth[verb] = text.AsString();
  });
  return auth;
}

}  // namespace

CosGrant ReadVideoGrant(MessageFields& fields, const char* auth_key) {
  CosGrant grant;
  grant.url = fields.Text("cos_url", false);
  if (grant.url.empty()) grant.url = fields.Text("cos_key");
  grant.session_token = fields.Text("video_session_token");
  grant.auth = AuthTexts(fields.Object(auth_key, true));
  return grant;
}

std::string RecordTaskParams::CoverPath() const {
  const std::string ending(kVideoEnding);
  if (in_video_file.size() < ending.size() || in_video_file.compare(in_video_file.size() - ending.size(), ending.size(), ending) != 0) {
    return {};
  }
  return in_video_file.substr(0, in_video_file.size() - ending.size()) + kCoverEnding;
}

std::optional<RecordTaskParams> RecordTaskParams::Parse(const JsonValue& json, std::string* problems) {
  MessageFields fields(json);
  RecordTaskParams p;
  p.instance_id = fields.Text("instance_id");
  p.in_video_file = fields.Text("in_video_file");
  p.in_video_index_file = fields.Text("in_video_index_file", false);
  p.in_audio_file = fields.Text("in_audio_file", false);
  p.in_audio_index_file = fields.Text("in_audio_index_file", false);
  p.output_file = fields.Text("output_file");
  p.output_m4a_file = fields.Text("output_m4a_file", false);
  p.is_record_complete = fields.Flag("is_record_complete");
  p.transcoding_threshold = std::clamp<int64_t>(fields.Number("transcoding_threshold", 50), 1, 10000);
  p.record_time_duration = fields.Number("record_time_duration");
  p.is_local_record = fields.Flag("is_local_record");
  p.need_upload_file = fields.Flag("need_upload_file", true);
  p.upload_cover_file = fields.Flag("upload_cover_file", true);
  p.is_recovery_upload = fields.Flag("is_recovery_upload");
  if (p.in_video_index_file.empty()) p.in_video_index_file = p.in_video_file + "idx";
  if (p.in_audio_index_file.empty() && !p.in_audio_file.empty()) p.in_audio_index_file = p.in_audio_file + "idx";
  if (!fields.ok() || p.instance_id.empty() || p.output_file.empty()) {
    *problems = fields.ok() ? "empty instance_id or output_file" : fields.Problems();
    return std::nullopt;
  }
  p.message = json;
  return p;
}

std::optional<UploadAuth> UploadAuth::Parse(const JsonValue& json, std::string* problems) {
  MessageFields fields(json);
  UploadAuth a;
  a.instance_id = fields.Text("instance_id");
  a.record_id = fields.Text("record_id", false);
  a.record_type = fields.Text("record_type", false);
  a.bucket_name = fields.Text("bucket_name", false);
  a.video = ReadVideoGrant(fields, "video_auth_info");
  a.cover.url = fields.Text("cover_cos_key", false);
  a.cover.session_token = fields.Text("cover_session_token", false);
  a.cover.auth = AuthTexts(fields.Object("cover_auth_info"));
  if (!fields.ok() || a.instance_id.empty()) {
    *problems = fields.ok() ? "empty instance_id" : fields.Problems();
    return std::nullopt;
  }
  return a;
}

}  // namespace qr_transcoder
