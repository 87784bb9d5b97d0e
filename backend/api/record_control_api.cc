#include "api/record_control_api.h"

#include <charconv>

#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/jump_links.h"
#include "api/record_operations.h"
#include "common/clock.h"
#include "common/crypto.h"
#include "common/field_reader.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "push/push_hub.h"
#include "storage/runtime_settings.h"

namespace qr_backend {

namespace {

const std::vector<std::string> kObjectVerbs = {"get", "put", "post", "head"};

std::optional<int64_t> ParseDecimal(const std::string& text) {
  int64_t value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::optional<int64_t> UsedBytes(ApiContext& context, const User& user) {
  auto usage = context.records.UsageOf(user.app_uid, context.settings.bucket);
  if (!usage) return std::nullopt;
  int64_t used = 0;
  for (const RecordUsage& kind : *usage) used += kind.bytes;
  return used;
}

}  // namespace

void RecordControlApi::Register(ApiRouter& router) {
  router.Post("/v2/record/control/get-start-data",
              [this](const ApiCall& call) { return GetStartData(call); });
  router.Post("/v2/record/control/complete",
              [this](const ApiCall& call) { return Complete(call); });
  router.Post("/v2/record/control/delete", [this](const ApiCall& call) { return Delete(call); });
}

ApiAnswer RecordControlApi::GetStartData(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string subject = fields.Text("subject");
  const std::string record_id = fields.Text("record_id");
  const std::string record_subject = fields.Text("record_subject");
  std::string record_type = fields.Text("record_type");
  const std::string record_start_time = fields.Text("record_start_time");
  const std::string creator_instance_id = fields.Text("creator_instance_id");
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const auto title = Base64Decode(subject);
  if (!title) return ApiAnswer::Fail(kBizBadRequest, "\"subject\" is not Base64");
  if (record_type.empty()) record_type = "fast_record";
  if (!IsRecordKind(record_type)) {
    return ApiAnswer::Fail(kBizBadRequest,
                           "\"record_type\" must be fast_record, cloud_record or user_upload");
  }

  Record record;
  if (!record_id.empty()) {
    OwnedRecord owned = FindOwnedRecord(context_, call.user, RecordIdKind::kRecordId, record_id);
    if (!owned) return owned.refusal;
    record = std::move(*owned.record);
  } else {
    const auto used = UsedBytes(context_, call.user);
    if (!used) return ApiAnswer::Fail(kBizInternal, "cannot read the space in use");
    if (*used >= QuotaOf(context_, call.user)) {
      return ApiAnswer::Fail(kBizQuotaExceeded, "the cloud space is used up");
    }
    const int64_t now = context_.clock.NowSeconds();
    record.uni_record_id = "qr" + RandomHex(12);
    record.record_id = RandomDecimalId();
    record.file_id = RandomHex(8);
    record.owner_uid = call.user.app_uid;
    record.title = !title->empty()           ? *title
                   : !record_subject.empty() ? record_subject
                                             : "Quick recording";
    record.record_type = record_type;
    record.record_start_time = record_start_time;
    record.creator_instance_id = creator_instance_id;
    record.video_key = "records/" + record.uni_record_id + "/video.mp4";
    record.cover_key = "records/" + record.uni_record_id + "/cover.jpg";
    record.cover_feature_id = RandomHex(8);
    record.created_at = now;
    record.updated_at = now;
    if (!context_.records.Insert(record)) {
      return ApiAnswer::Fail(kBizInternal, "cannot store the record");
    }
  }

  const ApiSettings& settings = context_.settings;
  const auto video = context_.authority.Issue(settings.bucket, record.video_key, record.owner_uid,
                                              settings.object_auth_ttl_seconds, kObjectVerbs);
  const auto cover = context_.authority.Issue(settings.bucket, record.cover_key, record.owner_uid,
                                              settings.object_auth_ttl_seconds, kObjectVerbs);
  const auto links = context_.links.For(record.uni_record_id, call.user.app_uid);
  if (!video || !cover || !links) {
    return ApiAnswer::Fail(kBizInternal, "cannot issue the upload authorisation");
  }
  return ApiAnswer::Ok({
      {"record_id", record.record_id},
      {"uni_record_id", record.uni_record_id},
      {"file_id", record.file_id},
      {"title", record.title},
      {"bucket_name", settings.bucket},
      {"video_cos_key", context_.ObjectUrl(record.video_key)},
      {"cover_default_cos_key_v1", context_.ObjectUrl(record.cover_key)},
      {"video_auth_info", video->auth},
      {"cover_default_auth_info", cover->auth},
      {"video_session_token", video->session_token},
      {"cover_session_token", cover->session_token},
      {"auth_expire_time", std::to_string(video->expires_at)},
      {"cover_feature_id", record.cover_feature_id},
      {"segment_size", std::to_string(settings.segment_size)},
      {"jump_url", links->url},
      {"jump_url_short", links->short_url},
  });
}

ApiAnswer RecordControlApi::Complete(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string record_id = fields.Text("record_id", true);
  const int64_t file_size = fields.DecimalText("file_size", true);
  const std::string duration_text = fields.Text("file_duration", false, "0");
  const nlohmann::json* ext_info = fields.Object("ext_info");
  RecordCompletion completion;
  completion.file_size = file_size;
  completion.batch_id = fields.Text("batch_id");
  completion.batch_upload_notify = fields.Bool("batch_upload_notify");
  // A local file's completion says what it is and how it is to be processed.
  completion.file_type = fields.Text("file_type");
  completion.speaker_nums = fields.Integer("specker_nums");
  completion.switch_status = fields.Integer("switch_status");
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const auto duration = ParseDecimal(duration_text);
  if (!duration) {
    return ApiAnswer::Fail(kBizBadRequest, "\"file_duration\" must hold decimal milliseconds");
  }
  // Clients report 5000 ms for a file whose duration they could not read; so do we.
  completion.duration_ms = *duration == 0 ? 5000 : *duration;
  completion.ext_info = ext_info ? ext_info->dump() : "{}";

  OwnedRecord owned = FindOwnedRecord(context_, call.user, RecordIdKind::kRecordId, record_id);
  if (!owned) return owned.refusal;
  const Record& record = *owned.record;
  const auto object = context_.objects.Head(context_.settings.bucket, record.video_key);
  if (!object) {
    return ApiAnswer::Fail(kBizConflict,
                           "the video object of record " + record_id + " has not been uploaded");
  }
  if (object->size != file_size) {
    return ApiAnswer::Fail(kBizConflict, "the video object has " + std::to_string(object->size) +
                                             " bytes, \"file_size\" says " +
                                             std::to_string(file_size));
  }
  if (!context_.records.Complete(record.uni_record_id, completion, context_.clock.NowSeconds())) {
    return ApiAnswer::Fail(kBizInternal, "cannot store the completion");
  }
  if (record.state != kRecordStateDone) PushRecordChanged(context_, record, kRecordCompleted);
  return ApiAnswer::Ok({{"record_id", record.record_id},
                        {"uni_record_id", record.uni_record_id},
                        {"file_id", record.file_id},
                        {"record_state", kRecordStateDone}});
}

ApiAnswer RecordControlApi::Delete(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string record_id = fields.Text("record_id", true);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  OwnedRecord owned = FindOwnedRecord(context_, call.user, RecordIdKind::kRecordId, record_id);
  // Cancelling twice is not an error: the record is gone either way.
  if (!owned && owned.refusal.code == kBizNotFound)
    return ApiAnswer::Ok({{"record_id", record_id}});
  if (!owned) return owned.refusal;
  if (!RemoveRecord(context_, *owned.record)) {
    return ApiAnswer::Fail(kBizInternal, "the record was not removed completely");
  }
  PushRecordChanged(context_, *owned.record, kRecordDeleted);
  return ApiAnswer::Ok({{"record_id", record_id}});
}

}  // namespace qr_backend
