#pragma once

#include <optional>

#include "storage/title_review_store.h"

namespace qr_backend {

struct ApiContext;

// Reaches the verdict of a rename's content review and applies it. A review is due at the
// first status request after `censor_review_polls` pending answers, or `censor_review_seconds`
// after the rename, whichever comes first; a client that stops polling still gets its title
// (or its refusal) once SettleDue runs after that time. Either path settles a review once.
// Thread-safe: each settlement is one database transaction.
class TitleReviewSettler {
 public:
  explicit TitleReviewSettler(ApiContext& context) : context_(context) {}

  // A status request on a review: counts it, settles when due; nullopt when it cannot store.
  std::optional<TitleReview> Poll(TitleReview review);
  // Settles every pending review whose time is up; returns how many it settled (a poll may
  // have settled one first).
  int SettleDue();

 private:
  // Stores `review` with `polls` and, when due, its verdict, then applies an accepted title.
  bool Settle(TitleReview& review, int64_t polls, bool due);

  ApiContext& context_;
};

}  // namespace qr_backend
