#include "module/quick_record/upload/upload_retry_table.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/upload/uploading_item.h"

namespace quick_record {

int64_t MakeRetryAction(int64_t error_code) {
  switch (error_code) {
    case 0:
      return kRetryNone;
    case 1:
      return kRetryFreshStartAfterStoreLoss;
    case 2:
    case 3:
      return kRetryRecoverUpload;
    case 4:
      return kRetryRefreshAuth;
    case -1:
    case 5:
    case 6:
      return kRetryFreshStart;
    default:
      KLOG(4) << "unknown error " << error_code;
      return kRetryFreshStart;
  }
}

void UploadRetryTable::OnFailure(const std::string& instance_id, int64_t now_ms) {
  Entry& entry = entries_[instance_id];
  // A failure of a new entry is the first attempt's; a failure after an automatic attempt
  // keeps the stage that attempt reached.
  if (entry.stage == 0) entry.stage = 1;
  ++entry.retry_count;
  entry.last_failure_ms = now_ms;
}

void UploadRetryTable::Remove(const std::string& instance_id) { entries_.erase(instance_id); }

std::vector<UploadRetryTable::Due> UploadRetryTable::Tick(int64_t now_ms) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    it = it->second.retry_count >= kMaxRetryCount ? entries_.erase(it) : std::next(it);
  }
  std::vector<Due> due;
  for (auto& [instance_id, entry] : entries_) {
    const int64_t waited = now_ms - entry.last_failure_ms;
    int attempt = 0;
    if (entry.stage == 1 && waited > kSecondAttemptMs) attempt = 2;
    if (entry.stage == 2 && waited > kThirdAttemptMs) attempt = 3;
    if (entry.stage == 3 && waited > kFourthAttemptMs) attempt = 4;
    if (attempt == 0) continue;
    entry.stage = attempt;
    due.push_back({instance_id, attempt});
  }
  return due;
}

}  // namespace quick_record
