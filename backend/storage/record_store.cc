#include "storage/record_store.h"

#include <charconv>

#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kColumns[] =
    "uni_record_id, record_id, file_id, owner_uid, title, title_version, record_type, state, "
    "record_start_time, creator_instance_id, video_key, cover_key, cover_feature_id, file_size, "
    "duration_ms, ext_info, batch_id, batch_upload_notify, created_at, updated_at, completed_at, "
    "file_type, speaker_nums, switch_status";

// kColumns with "r." before each name, for queries that join other tables.
std::string QualifiedColumns() {
  std::string out = "r.";
  for (const char* c = kColumns; *c; ++c) {
    out.push_back(*c);
    if (*c == ' ') out += "r.";
  }
  return out;
}

Record FromRow(const SqlRow& row, size_t first = 0) {
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
  return r;
}

}  // namespace

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
      .Exec(std::string("INSERT INTO records(") + kColumns +
                ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
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
             r.switch_status})
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
      "batch_upload_notify = ?, updated_at = ?, completed_at = ?, file_type = ?, "
      "speaker_nums = ?, switch_status = ? WHERE uni_record_id = ?",
      {int64_t{kRecordStateDone}, c.file_size, c.duration_ms, c.ext_info, c.batch_id,
       int64_t{c.batch_upload_notify}, now, now, c.file_type, c.speaker_nums, c.switch_status,
       uni_record_id});
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

std::optional<ListPage> RecordStore::List(const ListRequest& request) const {
  // A list is the union of arms, each a source of records with its sort key and tie breaker.
  // Every arm filters and starts after the cursor itself and walks an index in key order, so
  // SQLite merges the arms instead of sorting the whole list: a page costs its own size.
  struct Arm {
    std::string key;
    std::string tie;
    std::string from;  // "<tables> WHERE <condition>"
    SqlParams params;
  };
  const std::string& viewer = request.viewer_uid;
  std::vector<Arm> arms;
  switch (request.scope) {
    case ListScope::kMine:
      arms.push_back(
          {"r.created_at", "r.uni_record_id", "records r WHERE r.owner_uid = ?", {viewer}});
      break;
    case ListScope::kAll:
      arms.push_back(
          {"r.updated_at", "r.uni_record_id", "records r WHERE r.owner_uid = ?", {viewer}});
      arms.push_back({"r.updated_at",
                      "r.uni_record_id",
                      "record_members m JOIN records r ON r.uni_record_id = m.uni_record_id "
                      "WHERE m.app_uid = ? AND (m.permission_id > 0 OR m.is_assigner = 1) AND "
                      "r.owner_uid <> ?",
                      {viewer, viewer}});
      break;
    case ListScope::kRecent:
      arms.push_back({"v.viewed_at",
                      "v.uni_record_id",
                      "record_views v JOIN records r ON r.uni_record_id = v.uni_record_id "
                      "WHERE v.app_uid = ?",
                      {viewer}});
      break;
    case ListScope::kMeeting:
      arms.push_back({"r.created_at",
                      "r.uni_record_id",
                      "record_meetings mt JOIN records r ON r.uni_record_id = mt.uni_record_id "
                      "WHERE mt.meeting_id = ? AND (? = '' OR mt.sub_meeting_id = ?)",
                      {request.meeting_id, request.sub_meeting_id, request.sub_meeting_id}});
      break;
  }
  for (Arm& arm : arms) {
    if (request.kinds.empty()) continue;
    arm.from += " AND r.record_type IN (";
    for (size_t i = 0; i < request.kinds.size(); ++i) {
      arm.from += i == 0 ? "?" : ", ?";
      arm.params.emplace_back(request.kinds[i]);
    }
    arm.from += ")";
  }

  std::string count_sql;
  std::string page_sql;
  SqlParams count_params;
  SqlParams page_params;
  for (const Arm& arm : arms) {
    const std::string glue = count_sql.empty() ? "" : " UNION ALL ";
    count_sql += glue + "SELECT COUNT(*) AS n FROM " + arm.from;
    count_params.insert(count_params.end(), arm.params.begin(), arm.params.end());
    page_sql += glue + "SELECT " + arm.key + ", " + arm.tie + ", " + QualifiedColumns() + " FROM " +
                arm.from;
    page_params.insert(page_params.end(), arm.params.begin(), arm.params.end());
    if (request.after) {
      page_sql += " AND (" + arm.key + ", " + arm.tie + ") < (?, ?)";
      page_params.insert(page_params.end(), {request.after->key, request.after->uni_record_id});
    }
  }
  auto count = db_.Query("SELECT SUM(n) FROM (" + count_sql + ")", count_params);
  if (!count || count->empty()) return std::nullopt;
  page_sql += " ORDER BY 1 DESC, 2 DESC LIMIT ?";
  page_params.emplace_back(request.limit + 1);  // one more tells whether a next page exists
  auto rows = db_.Query(page_sql, page_params);
  if (!rows) return std::nullopt;

  ListPage page;
  page.total = count->front().Int(0);
  page.has_more = static_cast<int64_t>(rows->size()) > request.limit;
  for (size_t i = 0; i < rows->size() && static_cast<int64_t>(i) < request.limit; ++i) {
    Record record = FromRow((*rows)[i], 2);
    ListCursor position{(*rows)[i].Int(0), (*rows)[i].Text(1)};
    page.items.push_back({std::move(position), std::move(record)});
  }
  return page;
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
