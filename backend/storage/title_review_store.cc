#include "storage/title_review_store.h"

#include "common/crypto.h"
#include "common/database.h"

namespace qr_backend {

std::optional<TitleReview> TitleReviewStore::Open(const std::string& uni_record_id,
                                                  const std::string& owner_uid,
                                                  const std::string& title,
                                                  const std::string& description, int64_t now) {
  TitleReview review{
      RandomHex(12), uni_record_id, owner_uid, 0, title, description, 0, kReviewPending, now};
  const bool ok = db_.Transaction([&] {
    auto rows =
        db_.Query("SELECT COALESCE(MAX(version), 0) + 1 FROM title_reviews WHERE uni_record_id = ?",
                  {uni_record_id});
    if (!rows || rows->empty()) return false;
    review.version = rows->front().Int(0);
    return db_
        .Exec(
            "INSERT INTO title_reviews(fire_id, uni_record_id, owner_uid, version, title, "
            "description, polls, status, created_at) VALUES(?, ?, ?, ?, ?, ?, 0, ?, ?)",
            {review.fire_id, uni_record_id, owner_uid, review.version, title, description,
             int64_t{kReviewPending}, now})
        .ok;
  });
  if (!ok) return std::nullopt;
  return review;
}

namespace {

constexpr char kReviewColumns[] =
    "SELECT fire_id, uni_record_id, owner_uid, version, title, description, polls, status, "
    "created_at FROM title_reviews ";

TitleReview ReviewFromRow(const SqlRow& row) {
  return TitleReview{row.Text(0), row.Text(1), row.Text(2), row.Int(3),
                     row.Text(4), row.Text(5), row.Int(6),  static_cast<int>(row.Int(7)),
                     row.Int(8)};
}

}  // namespace

std::optional<TitleReview> TitleReviewStore::Find(const std::string& fire_id) const {
  auto rows = db_.Query(std::string(kReviewColumns) + "WHERE fire_id = ?", {fire_id});
  if (!rows || rows->empty()) return std::nullopt;
  return ReviewFromRow(rows->front());
}

std::vector<TitleReview> TitleReviewStore::PendingOpenedBy(int64_t opened_by) const {
  std::vector<TitleReview> reviews;
  auto rows = db_.Query(std::string(kReviewColumns) +
                            "WHERE status = ? AND created_at <= ? ORDER BY created_at, version",
                        {int64_t{kReviewPending}, opened_by});
  if (rows) {
    for (const SqlRow& row : *rows) reviews.push_back(ReviewFromRow(row));
  }
  return reviews;
}

bool TitleReviewStore::Update(const std::string& fire_id, int64_t polls, int status) {
  auto result =
      db_.Exec("UPDATE title_reviews SET polls = ?, status = ? WHERE fire_id = ? AND status = ?",
               {polls, int64_t{status}, fire_id, int64_t{kReviewPending}});
  return result.ok && result.changes == 1;
}

bool TitleReviewStore::DeleteForRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM title_reviews WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
