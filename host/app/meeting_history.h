#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/database/sqlite_database.h"

namespace host::app {

// The host's meeting history: the meetings the user took part in, kept in the database
// "historical_meetings_new" (an older client kept them in "historical_meetings"; that file is only
// ever read). Each meeting row lists the local screen recordings of the meeting in
// meeting_screen_record_files, a JSON object with one member per file: the file's path, holding
// the recording's start time (wall seconds) as decimal text. Rows of one meeting are keyed by
// (app_id, app_uid, meeting_id, period_id). Use from one thread at a time.
class MeetingHistory {
 public:
  static constexpr char kDatabaseName[] = "historical_meetings_new";
  static constexpr char kOldDatabaseName[] = "historical_meetings";
  static constexpr char kTable[] = "historical_meetings_new";

  struct Meeting {
    std::string app_id;
    std::string app_uid;
    std::string meeting_id;
    std::string period_id;
    std::string meeting_code;
    std::string meeting_subject;
    int64_t meeting_join_time = 0;  // wall seconds
  };

  // `directory` + MD5 hex of `name` + ".db" (the directory ends with '/').
  static std::string DatabaseFile(const std::string& directory, const std::string& name);
  // "CREATE TABLE IF NOT EXISTS historical_meetings_new(...)".
  static std::string CreateTableSql();

  // Opens the history in `directory`, creating the file and its table when missing; null when the
  // file cannot be opened.
  static std::unique_ptr<MeetingHistory> Open(const std::string& directory);

  // Adds the meeting when it is new and records one local recording file of it (an existing
  // member of the same path is replaced).
  bool AddLocalRecording(const Meeting& meeting, const std::string& file_path, int64_t record_time);

  const std::shared_ptr<base::database::SQLiteDatabase>& database() const { return db_; }

 private:
  explicit MeetingHistory(std::shared_ptr<base::database::SQLiteDatabase> db) : db_(std::move(db)) {}

  std::shared_ptr<base::database::SQLiteDatabase> db_;
};

}  // namespace host::app
