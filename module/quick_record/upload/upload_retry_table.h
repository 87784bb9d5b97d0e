#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quick_record {

// The next attempt a failed upload needs, from the error code of its failure.
int64_t MakeRetryAction(int64_t error_code);

// The automatic retries of failed uploads: each failure is entered with the time it happened,
// and a tick of the retry timer answers the uploads whose wait is over. The second attempt comes
// more than 5 minutes after the first failure, the third more than 10 minutes after the second,
// the fourth more than 30 minutes after the third; then the upload waits for the user.
class UploadRetryTable {
 public:
  static constexpr int64_t kSecondAttemptMs = 300000;
  static constexpr int64_t kThirdAttemptMs = 600000;
  static constexpr int64_t kFourthAttemptMs = 1800000;
  // Failures after which an instance is dropped from the table whatever its stage.
  static constexpr int kMaxRetryCount = 31;

  struct Entry {
    int stage = 0;        // automatic attempts made so far (the first attempt counts)
    int retry_count = 0;  // failures recorded
    int64_t last_failure_ms = 0;
  };

  // Records a failure of `instance_id` at `now_ms`.
  void OnFailure(const std::string& instance_id, int64_t now_ms);
  void Remove(const std::string& instance_id);
  bool empty() const { return entries_.empty(); }
  bool Contains(const std::string& instance_id) const { return entries_.count(instance_id) > 0; }

  struct Due {
    std::string instance_id;
    int attempt;  // 2, 3 or 4
  };
  // One tick at `now_ms`: drops instances that failed too often and answers those whose next
  // attempt is due (their stage moves on).
  std::vector<Due> Tick(int64_t now_ms);

 private:
  std::map<std::string, Entry> entries_;
};

}  // namespace quick_record
