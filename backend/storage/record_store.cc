#include "storage/record_store.h"

#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kColumns[] =
    "uni_record_id, record_id, file_id, owner_uid, title, title_version, record_type, state, "
    "record_start_time, creator_instance_id, video_key, cover_key, cover_feature_id, file_size, "
    "duration_ms, ext_info, batch_id, batch_upload_notify, created_at, updated_at, completed_at";

Record FromRow(const SqlRow& row) {
  Record r;
  r.uni_record_id = row.Text(0);
  r.record_id = row.Text(1);
  r.file_id = row.Text(2);
  r.owner_uid = row.Text(3);
  r.title = row.Text(4);
  r.title_version = row.Int(5);
  r.record_type = row.Text(6);
  r.state = static_cast<int>(row.Int(7));
  r.record_start_time = row.Text(8);
  r.creator_instance_id = row.Text(9);
  r.video_key = row.Text(10);
  r.cover_key = row.Text(11);
  r.cover_feature_id = row.Text(12);
  r.file_size = row.Int(13);
  r.duration_ms = row.Int(14);
  r.ext_info = row.Text(15);
  r.batch_id = row.Text(16);
  r.batch_upload_notify = row.Int(17) != 0;
  r.created_at = row.Int(18);
  r.updated_at = row.Int(19);
  r.completed_at = row.Int(20);
  return r;
}

}  // namespace

bool RecordStore::Insert(const Record& r) {
  return db_
      .Exec(std::string("INSERT INTO records(") + kColumns +
                ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {r.uni_record_id, r.record_id, r.file_id, r.owner_uid, r.title, r.title_version,
             r.record_type, int64_t{r.state}, r.record_start_time, r.creator_instance_id,
             r.video_key, r.cover_key, r.cover_feature_id, r.file_size, r.duration_ms, r.ext_info,
             r.batch_id, int64_t{r.batch_upload_notify}, r.created_at, r.updated_at,
             r.completed_at})
      .ok;
}

std::optional<Record> RecordStore::FindOne(const std::string& sql, const std::string& value) const {
  auto rows = db_.Query(sql, {value});
  if (!rows || rows->empty()) return std::nullopt;
  return FromRow(rows->front());
}

std::optional<Record> RecordStore::FindByRecordId(const std::string& record_id) const {
  static const std::string sql =
      std::string("SELECT ") + kColumns + " FROM records WHERE record_id = ?";
  return FindOne(sql, record_id);
}

std::optional<Record> RecordStore::FindByUni(const std::string& uni_record_id) const {
  static const std::string sql =
      std::string("SELECT ") + kColumns + " FROM records WHERE uni_record_id = ?";
  return FindOne(sql, uni_record_id);
}

bool RecordStore::Complete(const std::string& uni_record_id, const RecordCompletion& c,
                           int64_t now) {
  auto result = db_.Exec(
      "UPDATE records SET state = ?, file_size = ?, duration_ms = ?, ext_info = ?, batch_id = ?, "
      "batch_upload_notify = ?, updated_at = ?, completed_at = ? WHERE uni_record_id = ?",
      {int64_t{kRecordStateDone}, c.file_size, c.duration_ms, c.ext_info, c.batch_id,
       int64_t{c.batch_upload_notify}, now, now, uni_record_id});
  return result.ok && result.changes == 1;
}

bool RecordStore::ApplyTitle(const std::string& uni_record_id, const std::string& title,
                             int64_t version, int64_t now) {
  auto result = db_.Exec(
      "UPDATE records SET title = ?, title_version = ?, updated_at = ? "
      "WHERE uni_record_id = ? AND title_version < ?",
      {title, version, now, uni_record_id, version});
  return result.ok && result.changes == 1;
}

bool RecordStore::Delete(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM records WHERE uni_record_id = ?", {uni_record_id}).ok;
}

std::optional<std::vector<RecordUsage>> RecordStore::UsageOf(const std::string& owner_uid,
                                                             const std::string& bucket) const {
  auto rows = db_.Query(
      "SELECT r.record_type, COUNT(DISTINCT r.uni_record_id), COALESCE(SUM(o.size), 0) "
      "FROM records r LEFT JOIN objects o "
      "ON o.bucket = ? AND o.object_key IN (r.video_key, r.cover_key) "
      "WHERE r.owner_uid = ? GROUP BY r.record_type",
      {bucket, owner_uid});
  if (!rows) return std::nullopt;
  std::vector<RecordUsage> usage;
  for (const SqlRow& row : *rows) usage.push_back({row.Text(0), row.Int(1), row.Int(2)});
  return usage;
}

}  // namespace qr_backend
