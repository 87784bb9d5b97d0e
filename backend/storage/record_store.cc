#include "storage/record_store.h"

#include <charconv>

#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kColumns[] =
    "uni_record_id, record_id, file_id, owner_uid, title, title_version, record_type, state, "
    "record_start_time, creator_instance_id, video_key, cover_key, cover_feature_id, file_size, "
    "duration_ms, ext_info, batch_id, batch_upload_notify, created_at, updated_at, completed_at, "
    "file_type, speaker_nums, switch_status, description";

}  // namespace

std::string QualifiedRecordColumns() {
  std::string out = "r.";
  for (const char* c = kColumns; *c; ++c) {
    out.push_back(*c);
    if (*c == ' ') out += "r.";
  }
  return out;
}

Record RecordFromRow(const SqlRow& row, size_t first) {
  const auto text = [&](size_t i) { return row.Text(first + i); };
  const auto number = [&](size_t i) { return row.Int(first + i); };
  Record r;
  r.uni_record_id = text(0);
  r.record_id = text(1);
  r.file_id = text(2);
  r.owner_uid = text(3);
  r.title = text(4);
  r.title_version = number(5);
  r.record_type = text(6);
  r.state = static_cast<int>(number(7));
  r.record_start_time = text(8);
  r.creator_instance_id = text(9);
  r.video_key = text(10);
  r.cover_key = text(11);
  r.cover_feature_id = text(12);
  r.file_size = number(13);
  r.duration_ms = number(14);
  r.ext_info = text(15);
  r.batch_id = text(16);
  r.batch_upload_notify = number(17) != 0;
  r.created_at = number(18);
  r.updated_at = number(19);
  r.completed_at = number(20);
  r.file_type = text(21);
  r.speaker_nums = number(22);
  r.switch_status = number(23);
  r.description = text(24);
  return r;
}

bool IsRecordKind(const std::string& record_type) {
  return record_type == "fast_record" || record_type == "cloud_record" ||
         record_type == "user_upload";
}

int64_t Record::StartMillis() const {
  int64_t millis = 0;
  auto [ptr, ec] = std::from_chars(record_start_time.data(),
                                   record_start_time.data() + record_start_time.size(), millis);
  if (!record_start_time.empty() && ec == std::errc() &&
      ptr == record_start_time.data() + record_start_time.size() && millis > 0) {
    return millis;
  }
  return created_at * 1000;
}

bool RecordStore::Insert(const Record& r) {
  return db_
      .Exec(
          std::string("INSERT INTO records(") + kColumns +
              ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
          {r.uni_record_id,
           r.record_id,
           r.file_id,
           r.owner_uid,
           r.title,
           r.title_version,
           r.record_type,
           int64_t{r.state},
           r.record_start_time,
           r.creator_instance_id,
           r.video_key,
           r.cover_key,
           r.cover_feature_id,
           r.file_size,
           r.duration_ms,
           r.ext_info,
           r.batch_id,
           int64_t{r.batch_upload_notify},
           r.created_at,
           r.updated_at,
           r.completed_at,
           r.file_type,
           r.speaker_nums,
           r.switch_status,
           r.description})
      .ok;
}

std::optional<Record> RecordStore::FindOne(const std::string& sql, const std::string& value) const {
  auto rows = db_.Query(sql, {value});
  if (!rows || rows->empty()) return std::nullopt;
  return RecordFromRow(rows->front());
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
      "batch_upload_notify = ?, updated_at = ?, completed_at = ?, file_type = ?, "
      "speaker_nums = ?, switch_status = ? WHERE uni_record_id = ?",
      {int64_t{kRecordStateDone}, c.file_size, c.duration_ms, c.ext_info, c.batch_id,
       int64_t{c.batch_upload_notify}, now, now, c.file_type, c.speaker_nums, c.switch_status,
       uni_record_id});
  return result.ok && result.changes == 1;
}

bool RecordStore::ApplyTitle(const std::string& uni_record_id, const std::string& title,
                             const std::string& description, int64_t version, int64_t now) {
  auto result = db_.Exec(
      "UPDATE records SET title = ?, description = ?, title_version = ?, updated_at = ? "
      "WHERE uni_record_id = ? AND title_version < ?",
      {title, description, version, now, uni_record_id, version});
  return result.ok && result.changes == 1;
}

bool RecordStore::Delete(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM records WHERE uni_record_id = ?", {uni_record_id}).ok;
}

std::optional<int64_t> RecordStore::BatchSize(const std::string& owner_uid,
                                              const std::string& batch_id) const {
  auto rows = db_.Query("SELECT COUNT(*) FROM records WHERE owner_uid = ? AND batch_id = ?",
                        {owner_uid, batch_id});
  if (!rows || rows->empty()) return std::nullopt;
  return rows->front().Int(0);
}

bool RecordStore::FinishBatch(const std::string& owner_uid, const std::string& batch_id,
                              int64_t now) {
  return db_
      .Exec(
          "INSERT OR IGNORE INTO upload_batches(app_uid, batch_id, finished_at) "
          "VALUES(?, ?, ?)",
          {owner_uid, batch_id, now})
      .ok;
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
