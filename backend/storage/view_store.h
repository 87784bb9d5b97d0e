#pragma once

#include <cstdint>
#include <string>

namespace qr_backend {

class Database;

// When each user last opened each record: the order of the recent list.
class ViewStore {
 public:
  explicit ViewStore(Database& db) : db_(db) {}

  bool Record(const std::string& app_uid, const std::string& uni_record_id, int64_t millis);
  // A view that happens now: it sorts after every earlier view of the user even when the clock
  // has not moved on since (two opens in one millisecond keep the order they happened in).
  bool RecordNow(const std::string& app_uid, const std::string& uni_record_id, int64_t now_millis);
  // Milliseconds of the last view; 0 when never viewed.
  int64_t LastView(const std::string& app_uid, const std::string& uni_record_id) const;
  bool Forget(const std::string& app_uid, const std::string& uni_record_id);
  bool ForgetRecord(const std::string& uni_record_id);

 private:
  Database& db_;
};

}  // namespace qr_backend
