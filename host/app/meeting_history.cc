#include "host/app/meeting_history.h"

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/util/crypto.h"
#include "host/util/file.h"

namespace host::app {

using base::variant::Variant;

std::string MeetingHistory::DatabaseFile(const std::string& directory, const std::string& name) {
  return directory + util::crypto::Md5(name) + ".db";
}

std::string MeetingHistory::CreateTableSql() {
  return std::string("CREATE TABLE IF NOT EXISTS ") + kTable +
         "(id INTEGER PRIMARY KEY AUTOINCREMENT, app_id TEXT NOT NULL, app_uid TEXT NOT NULL, meeting_id TEXT NOT "
         "NULL, period_id TEXT NOT NULL, meeting_code TEXT, meeting_subject TEXT, meeting_join_time INT, "
         "meeting_screen_record_files TEXT, UNIQUE (app_id,app_uid,meeting_id,period_id));";
}

std::unique_ptr<MeetingHistory> MeetingHistory::Open(const std::string& directory) {
  if (!util::file::MakePath(directory)) return nullptr;
  auto db = base::database::OpenOrCreateDatabase(DatabaseFile(directory, kDatabaseName));
  if (!db || !db->Execute(CreateTableSql())) {
    KLOG(1) << "cannot open the meeting history in " << directory;
    return nullptr;
  }
  return std::unique_ptr<MeetingHistory>(new MeetingHistory(std::move(db)));
}

bool MeetingHistory::AddLocalRecording(const Meeting& m, const std::string& file_path, int64_t record_time) {
  if (!db_->BeginTransaction()) return false;
  const std::vector<Variant> key{Variant(m.app_id), Variant(m.app_uid), Variant(m.meeting_id), Variant(m.period_id)};
  std::vector<Variant> insert = key;
  insert.insert(insert.end(), {Variant(m.meeting_code), Variant(m.meeting_subject), Variant(m.meeting_join_time)});
  bool ok = db_->Execute(std::string("INSERT OR IGNORE INTO ") + kTable +
                             "(app_id, app_uid, meeting_id, period_id, meeting_code, meeting_subject, "
                             "meeting_join_time) VALUES (?, ?, ?, ?, ?, ?, ?)",
                         insert);
  // Members the meeting has already are kept; the named one is set.
  base::json::JsonValue files = base::json::JsonValue::Object();
  auto read = ok ? db_->Compile(std::string("SELECT meeting_screen_record_files FROM ") + kTable +
                                " WHERE app_id = ? AND app_uid = ? AND meeting_id = ? AND period_id = ?")
                 : nullptr;
  if (read && read->BindAll(key) && read->Step() == base::database::SQLiteStatement::StepResult::kRow) {
    const auto stored = base::json::JsonValue::Parse(read->ColumnText(0));
    if (stored.IsObject()) files = stored;
  } else {
    ok = false;
  }
  read.reset();
  files.SetJsonObject(file_path, base::json::JsonValue(std::to_string(record_time)));
  std::vector<Variant> update{Variant(files.ToCompactString())};
  update.insert(update.end(), key.begin(), key.end());
  ok = ok && db_->Execute(std::string("UPDATE ") + kTable +
                              " SET meeting_screen_record_files = ? WHERE app_id = ? AND app_uid = ? AND meeting_id = "
                              "? AND period_id = ?",
                          update);
  if (ok) return db_->CommitTransaction();
  db_->RollbackTransaction();
  return false;
}

}  // namespace host::app
