#include "api/local_upload_api.h"

#include "api/api_context.h"
#include "api/biz_code.h"
#include "common/clock.h"
#include "common/field_reader.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"

namespace qr_backend {

namespace {

// "mov,avi" -> "mov, avi": the same list written for people.
std::string Readable(const std::string& formats) {
  std::string out;
  for (char c : formats) {
    out.push_back(c);
    if (c == ',') out.push_back(' ');
  }
  return out;
}

}  // namespace

void LocalUploadApi::Register(ApiRouter& router) {
  router.Post("/v2/meetlog/dashboard/upload_infos",
              [this](const ApiCall& call) { return Limits(call); });
  router.Post("/v2/meetlog/censor/batch-censor-filename",
              [this](const ApiCall& call) { return CensorFileNames(call); });
  router.Post("/v2/meetlog/control/batch-upload-finish",
              [this](const ApiCall& call) { return FinishBatch(call); });
}

ApiAnswer LocalUploadApi::Limits(const ApiCall&) {
  const UploadLimits limits = context_.runtime.Get().upload_limits;
  return ApiAnswer::Ok({{"video_limit_info", Readable(limits.video_formats)},
                        {"audio_limit_info", Readable(limits.audio_formats)},
                        {"video_limit_type", limits.video_formats},
                        {"audio_limit_type", limits.audio_formats},
                        {"file_size_limit", std::to_string(limits.file_size_limit_gb)},
                        {"batch_file_count_limit", limits.batch_file_count_limit},
                        {"batch_file_total_limit", limits.batch_file_total_limit},
                        {"file_duration_limit", limits.file_duration_limit_ms},
                        {"switch_lock", limits.switch_lock},
                        {"switch_status", limits.switch_status}});
}

ApiAnswer LocalUploadApi::CensorFileNames(const ApiCall& call) {
  FieldReader fields(call.body);
  const nlohmann::json* files = fields.Array("files", true);
  const CensorPolicy policy = context_.runtime.Get().censor;
  nlohmann::json verdicts = nlohmann::json::array();
  if (files) {
    for (const auto& file : *files) {
      FieldReader entry(file);
      const std::string file_id = entry.Text("file_id", true);
      const std::string name = entry.Text("file_name", true);
      if (!entry.ok()) {
        fields.Fail("each file needs \"file_id\" and \"file_name\": " + entry.error());
        break;
      }
      const bool blocked = policy.Blocks(name);
      verdicts.push_back({{"file_id", file_id},
                          {"file_name", name},
                          {"status", blocked ? 2 : 0},
                          {"is_pass", !blocked},
                          {"tips", blocked ? "The file name contains a blocked word." : ""}});
    }
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  return ApiAnswer::Ok({{"files", std::move(verdicts)}});
}

ApiAnswer LocalUploadApi::FinishBatch(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string batch_id = fields.Text("batch_id", true);
  if (fields.ok() && batch_id.empty()) fields.Fail("\"batch_id\" is empty");
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  // A file joins its batch when it is completed, so only completed files count.
  const auto files = context_.records.BatchSize(call.user.app_uid, batch_id);
  if (!files) return ApiAnswer::Fail(kBizInternal, "cannot read the batch");
  if (*files == 0)
    return ApiAnswer::Fail(kBizNotFound, "no completed file names batch " + batch_id);
  // Finishing twice is fine: a client re-sends it after a restart.
  if (!context_.records.FinishBatch(call.user.app_uid, batch_id, context_.clock.NowSeconds())) {
    return ApiAnswer::Fail(kBizInternal, "cannot store the batch");
  }
  return ApiAnswer::Ok({{"batch_id", batch_id}, {"record_count", *files}});
}

}  // namespace qr_backend
