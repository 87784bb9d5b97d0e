#include "storage/view_store.h"

#include "common/database.h"

namespace qr_backend {

bool ViewStore::Record(const std::string& app_uid, const std::string& uni_record_id,
                       int64_t millis) {
  return db_
      .Exec(
          "INSERT INTO record_views(app_uid, uni_record_id, viewed_at) VALUES(?, ?, ?) "
          "ON CONFLICT(app_uid, uni_record_id) DO UPDATE SET viewed_at = excluded.viewed_at",
          {app_uid, uni_record_id, millis})
      .ok;
}

bool ViewStore::RecordNow(const std::string& app_uid, const std::string& uni_record_id,
                          int64_t now_millis) {
  return db_
      .Exec(
          "INSERT INTO record_views(app_uid, uni_record_id, viewed_at) "
          "SELECT ?1, ?2, MAX(?3, IFNULL(MAX(viewed_at) + 1, ?3)) FROM record_views "
          "WHERE app_uid = ?1 "
          "ON CONFLICT(app_uid, uni_record_id) DO UPDATE SET viewed_at = excluded.viewed_at",
          {app_uid, uni_record_id, now_millis})
      .ok;
}

int64_t ViewStore::LastView(const std::string& app_uid, const std::string& uni_record_id) const {
  auto rows =
      db_.Query("SELECT viewed_at FROM record_views WHERE app_uid = ? AND uni_record_id = ?",
                {app_uid, uni_record_id});
  return rows && !rows->empty() ? rows->front().Int(0) : 0;
}

bool ViewStore::Forget(const std::string& app_uid, const std::string& uni_record_id) {
  return db_
      .Exec("DELETE FROM record_views WHERE app_uid = ? AND uni_record_id = ?",
            {app_uid, uni_record_id})
      .ok;
}

bool ViewStore::ForgetRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM record_views WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
