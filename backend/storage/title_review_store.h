#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Database;

// Review "status" values as clients read them.
constexpr int kReviewAccepted = 0;
constexpr int kReviewPending = 1;
constexpr int kReviewRejected = 2;

struct TitleReview {
  std::string fire_id;
  std::string uni_record_id;
  std::string owner_uid;
  int64_t version = 0;  // 1, 2, ... per record
  std::string title;
  std::string description;
  int64_t polls = 0;  // status requests answered so far
  int status = kReviewPending;
  int64_t created_at = 0;  // seconds
};

// The content reviews that renames go through; a title becomes the record's only once its
// review is accepted.
class TitleReviewStore {
 public:
  explicit TitleReviewStore(Database& db) : db_(db) {}

  // A pending review with the record's next version.
  std::optional<TitleReview> Open(const std::string& uni_record_id, const std::string& owner_uid,
                                  const std::string& title, const std::string& description,
                                  int64_t now);
  std::optional<TitleReview> Find(const std::string& fire_id) const;
  // Pending reviews opened at or before `opened_by`, oldest first.
  std::vector<TitleReview> PendingOpenedBy(int64_t opened_by) const;
  // Stores the polls and status of a review that is still pending; false when it is not (any
  // more), so a verdict is reached once.
  bool Update(const std::string& fire_id, int64_t polls, int status);
  bool DeleteForRecord(const std::string& uni_record_id);

 private:
  Database& db_;
};

}  // namespace qr_backend
