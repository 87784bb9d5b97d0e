#include "module/quick_record/cloud/requests/record/quick_record_start_record_request.h"

#include "host/base/logging/logger.h"
#include "host/util/crypto.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;

namespace {

// Only the verbs that are strings are taken: a malformed entry must not become an empty grant.
std::map<std::string, std::string> ReadAuth(const JsonValue& auth_info) {
  std::map<std::string, std::string> auth;
  for (const char* verb : {"get", "put", "post", "head"}) {
    const JsonValue value = auth_info[verb];
    if (value.IsString()) auth[verb] = value.AsString();
  }
  return auth;
}

bool CanUpload(const std::map<std::string, std::string>& auth) {
  return auth.count("put") > 0 || auth.count("post") > 0;
}

}  // namespace

void QuickRecordStartRecordRequest::InitData(const QuickRecordStartRecordInfo& info, bool use_quic) {
  JsonValue body = JsonValue::Object();
  if (info.subject.empty()) KLOG(1) << "subject is empty";
  body.SetJsonObject("subject", util::crypto::Encode64(info.subject));
  body.SetJsonObject("record_start_time", info.record_start_time);
  body.SetJsonObject("record_id", info.record_id);
  body.SetJsonObject("creator_instance_id", info.creator_instance_id);
  body.SetJsonObject("record_subject", info.record_subject);
  if (!info.record_type.empty()) body.SetJsonObject("record_type", info.record_type);
  body.SetJsonObject("use_quic", use_quic);
  InitPost(kPath, body);
  WithAppUid(true);
  KLOG(6) << "start record request body:" << body.ToStyledString();
}

void QuickRecordStartRecordRequest::ParseData(const JsonValue& json, QuickRecordStartRecordResult* result) {
  const JsonValue data = json["data"];
  result->cos_url = JsonFieldReader::Text(data, "video_cos_key");
  result->cos_key = result->cos_url;
  result->record_id = JsonFieldReader::Text(data, "record_id");
  result->bucket_name = JsonFieldReader::Text(data, "bucket_name");
  result->cover_cos_key = JsonFieldReader::Text(data, "cover_default_cos_key_v1");
  result->jump_url = JsonFieldReader::Text(data, "jump_url");
  result->jump_url_short = JsonFieldReader::Text(data, "jump_url_short");
  result->video_session_token = JsonFieldReader::Text(data, "video_session_token");
  result->cover_session_token = JsonFieldReader::Text(data, "cover_session_token");
  result->cover_feature_id = JsonFieldReader::Text(data, "cover_feature_id");
  result->title = JsonFieldReader::Text(data, "title");
  result->segment_size = JsonFieldReader::DecimalText(data, "segment_size");
  result->video_auth = ReadAuth(data["video_auth_info"]);
  result->cover_auth = ReadAuth(data["cover_default_auth_info"]);
}

void QuickRecordStartRecordRequest::LogResponse(bool ok, const QuickRecordStartRecordResult& result) {
  KLOG(6) << "file upload response: biz_code=" << result.biz_code << ", msg=" << result.msg
          << ", nonce=" << result.nonce;
  if (!ok) cgi_request::LogRequestFailed(result);
  // An answer without upload grants still reaches the caller; these lines say why uploads fail.
  if (!CanUpload(result.video_auth)) KLOG(3) << "video auth put or post auth not exist";
  if (result.video_session_token.empty()) KLOG(3) << "video_session_token is empty";
  if (result.cover_feature_id.empty()) KLOG(3) << "cover_feature_id is empty";
  if (!CanUpload(result.cover_auth)) KLOG(3) << "cover auth put or post auth not exist";
}

}  // namespace quick_record
