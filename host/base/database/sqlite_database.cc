#include "host/base/database/sqlite_database.h"

#include <sqlite3.h>

#include "host/base/logging/logger.h"

namespace base::database {

using base::variant::Variant;

std::shared_ptr<SQLiteDatabase> SQLiteDatabase::Open(const std::string& path, bool create, OpenError* error) {
  auto fail = [&](OpenError e) -> std::shared_ptr<SQLiteDatabase> {
    if (error) *error = e;
    return nullptr;
  };
  if (error) *error = OpenError::kNone;
  sqlite3* handle = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
  if (rc != SQLITE_OK) {
    KLOG(1) << "cannot open database " << path << ": " << (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
    sqlite3_close_v2(handle);
    return fail(OpenError::kCannotOpen);
  }
  sqlite3_extended_result_codes(handle, 1);
  // The time-out must be in place before the journal-mode switch, which itself takes a lock.
  sqlite3_busy_timeout(handle, kBusyTimeoutMs);
  std::shared_ptr<SQLiteDatabase> db(new SQLiteDatabase(handle, path));
  // sqlite3_open is lazy: the first read of the file tells whether it is a database at all.
  if (db->QueryScalar("PRAGMA journal_mode=WAL", {}).AsString() != "wal") {
    const int code = sqlite3_errcode(handle) & 0xff;
    KLOG(1) << "cannot use database " << path << " in WAL mode: " << db->LastErrorMessage();
    return fail(code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? OpenError::kNotADatabase : OpenError::kCannotOpen);
  }
  // NORMAL is safe against corruption in WAL mode; a power cut may lose only the last commits.
  db->Execute("PRAGMA synchronous=NORMAL");
  return db;
}

SQLiteDatabase::SQLiteDatabase(sqlite3* handle, std::string path) : handle_(handle), path_(std::move(path)) {}

SQLiteDatabase::~SQLiteDatabase() { sqlite3_close_v2(handle_); }

std::unique_ptr<SQLiteStatement> SQLiteDatabase::Compile(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(handle_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
  if (rc != SQLITE_OK || !stmt) {
    KLOG(3) << "sqlite compile failed (" << (rc == SQLITE_OK ? "empty statement" : sqlite3_errmsg(handle_))
            << "): " << sql;
    sqlite3_finalize(stmt);
    return nullptr;
  }
  // Refusing a second statement keeps a crafted text from smuggling one in behind the first.
  for (; tail && *tail; ++tail) {
    if (*tail != ' ' && *tail != '\n' && *tail != '\t' && *tail != '\r' && *tail != ';') {
      KLOG(3) << "sqlite compile refused: more than one statement: " << sql;
      sqlite3_finalize(stmt);
      return nullptr;
    }
  }
  return std::make_unique<SQLiteStatement>(shared_from_this(), stmt, sql);
}

bool SQLiteDatabase::Execute(const std::string& sql, const std::vector<Variant>& args) {
  auto statement = Compile(sql);
  return statement && statement->BindAll(args) && statement->Execute();
}

Variant SQLiteDatabase::QueryScalar(const std::string& sql, const std::vector<Variant>& args) {
  auto statement = Compile(sql);
  if (!statement || !statement->BindAll(args) || statement->Step() != SQLiteStatement::StepResult::kRow) return {};
  return statement->ColumnValue(0);
}

int SQLiteDatabase::GetUserVersion() { return static_cast<int>(QueryScalar("PRAGMA user_version", {}).AsInt64()); }

bool SQLiteDatabase::SetUserVersion(int version) {
  // Pragmas take no parameters; the value is an integer we format ourselves.
  return Execute("PRAGMA user_version=" + std::to_string(version));
}

bool SQLiteDatabase::TableExists(const std::string& table) {
  return QueryScalar("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?", {table}).AsInt64() > 0;
}

bool SQLiteDatabase::ColumnExists(const std::string& table, const std::string& column) {
  return QueryScalar("SELECT count(*) FROM pragma_table_info(?) WHERE name=?", {table, column}).AsInt64() > 0;
}

std::string SQLiteDatabase::JournalMode() { return QueryScalar("PRAGMA journal_mode", {}).AsString(); }

bool SQLiteDatabase::BeginTransaction() { return Execute("BEGIN IMMEDIATE"); }

bool SQLiteDatabase::CommitTransaction() { return Execute("COMMIT"); }

bool SQLiteDatabase::RollbackTransaction() { return Execute("ROLLBACK"); }

int64_t SQLiteDatabase::LastInsertRowId() const { return sqlite3_last_insert_rowid(handle_); }

int SQLiteDatabase::Changes() const { return sqlite3_changes(handle_); }

std::string SQLiteDatabase::LastErrorMessage() const { return sqlite3_errmsg(handle_); }

std::shared_ptr<SQLiteDatabase> OpenOrCreateDatabase(const std::string& path) { return SQLiteDatabase::Open(path, true); }

}  // namespace base::database
