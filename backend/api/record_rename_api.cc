#include "api/record_rename_api.h"

#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/record_operations.h"
#include "api/title_review_settler.h"
#include "common/clock.h"
#include "common/field_reader.h"
#include "storage/title_review_store.h"

namespace qr_backend {

namespace {

constexpr char kReviewBizId[] = "record_title";

const char* TipsFor(int status) {
  switch (status) {
    case kReviewAccepted:
      return "The title was accepted.";
    case kReviewRejected:
      return "The title was rejected: it contains a blocked word.";
    default:
      return "The title is being reviewed.";
  }
}

}  // namespace

void RecordRenameApi::Register(ApiRouter& router) {
  router.Post("/v2/meetlog/dashboard/update-record-info",
              [this](const ApiCall& call) { return Rename(call); });
  router.Post("/v2/meetlog/censor/status",
              [this](const ApiCall& call) { return ReviewStatus(call); });
}

ApiAnswer RecordRenameApi::Rename(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string uni_record_id = fields.Text("uni_record_id", true);
  const std::string title = fields.Text("title", true);
  const std::string description = fields.Text("description");
  if (fields.ok() && title.find_first_not_of(" \t\r\n") == std::string::npos) {
    fields.Fail("\"title\" is empty");
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  OwnedRecord owned =
      FindOwnedRecord(context_, call.user, RecordIdKind::kUniRecordId, uni_record_id);
  if (!owned) return owned.refusal;
  const auto review = context_.reviews.Open(uni_record_id, call.user.app_uid, title, description,
                                            context_.clock.NowSeconds());
  if (!review) return ApiAnswer::Fail(kBizInternal, "cannot open the review");
  return ApiAnswer::Ok({{"fire_id", review->fire_id},
                        {"biz_id", kReviewBizId},
                        {"resource_id", uni_record_id},
                        {"resource_part_id", owned.record->file_id},
                        {"version", std::to_string(review->version)}});
}

ApiAnswer RecordRenameApi::ReviewStatus(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string fire_id = fields.Text("fire_id", true);
  const std::string resource_id = fields.Text("resource_id", true);
  const std::string version = fields.Text("version", true);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  auto review = context_.reviews.Find(fire_id);
  if (!review || review->uni_record_id != resource_id ||
      std::to_string(review->version) != version) {
    return ApiAnswer::Fail(kBizNotFound, "no review " + fire_id + " of version " + version);
  }
  if (review->owner_uid != call.user.app_uid) {
    return ApiAnswer::Fail(kBizForbidden, "the review belongs to another user");
  }
  review = TitleReviewSettler(context_).Poll(std::move(*review));
  if (!review) return ApiAnswer::Fail(kBizInternal, "cannot store the review");
  return ApiAnswer::Ok({{"status", review->status}, {"tips", TipsFor(review->status)}});
}

}  // namespace qr_backend
