#include "api/title_review_settler.h"

#include "api/api_context.h"
#include "api/record_operations.h"
#include "common/clock.h"
#include "common/database.h"
#include "push/push_hub.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"

namespace qr_backend {

std::optional<TitleReview> TitleReviewSettler::Poll(TitleReview review) {
  if (review.status != kReviewPending) return review;
  const CensorPolicy policy = context_.runtime.Get().censor;
  const int64_t polls = review.polls + 1;
  const bool due = polls > policy.review_polls ||
                   context_.clock.NowSeconds() >= review.created_at + policy.review_seconds;
  if (Settle(review, polls, due)) return review;
  // Settled meanwhile by the timer: answer what it decided.
  return context_.reviews.Find(review.fire_id);
}

int TitleReviewSettler::SettleDue() {
  const int64_t review_seconds = context_.runtime.Get().censor.review_seconds;
  int settled = 0;
  for (TitleReview review :
       context_.reviews.PendingOpenedBy(context_.clock.NowSeconds() - review_seconds)) {
    settled += Settle(review, review.polls, true);
  }
  return settled;
}

bool TitleReviewSettler::Settle(TitleReview& review, int64_t polls, bool due) {
  const CensorPolicy policy = context_.runtime.Get().censor;
  const int status =
      !due ? kReviewPending : (policy.Blocks(review.title) ? kReviewRejected : kReviewAccepted);
  bool renamed = false;
  const bool stored = context_.db.Transaction([&] {
    if (!context_.reviews.Update(review.fire_id, polls, status)) return false;
    renamed = status == kReviewAccepted &&
              context_.records.ApplyTitle(review.uni_record_id, review.title, review.description,
                                          review.version, context_.clock.NowSeconds());
    return true;
  });
  if (!stored) return false;
  review.polls = polls;
  review.status = status;
  if (renamed) {
    if (auto record = context_.records.FindByUni(review.uni_record_id)) {
      PushRecordChanged(context_, *record, kRecordRenamed);
    }
  }
  return true;
}

}  // namespace qr_backend
