#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/base/database/sqlite_statement.h"
#include "host/base/variant/variant.h"

struct sqlite3;

namespace base::database {

// An open SQLite database (one connection). Every connection runs in WAL journal mode, so readers
// never wait for a writer, and waits up to kBusyTimeoutMs for a lock held by another connection
// or process before a statement fails with "database is locked".
class SQLiteDatabase : public std::enable_shared_from_this<SQLiteDatabase> {
 public:
  static constexpr int kBusyTimeoutMs = 5000;

  enum class OpenError { kNone, kCannotOpen, kNotADatabase };

  // Opens (creating it when `create` is set) the database at `path`; null with *error on failure.
  // A file that exists but holds no SQLite database gives kNotADatabase.
  static std::shared_ptr<SQLiteDatabase> Open(const std::string& path, bool create, OpenError* error = nullptr);

  ~SQLiteDatabase();
  SQLiteDatabase(const SQLiteDatabase&) = delete;
  SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

  const std::string& path() const { return path_; }

  // Null (and a log line) when the SQL does not compile. One statement per call.
  std::unique_ptr<SQLiteStatement> Compile(const std::string& sql);
  // Compiles, binds `args` to the parameters in order and runs the statement to its end.
  bool Execute(const std::string& sql, const std::vector<base::variant::Variant>& args = {});

  int GetUserVersion();
  bool SetUserVersion(int version);
  bool TableExists(const std::string& table);
  bool ColumnExists(const std::string& table, const std::string& column);
  std::string JournalMode();

  // BEGIN IMMEDIATE: takes the write lock at once, so a transaction never fails half-way for
  // want of it.
  bool BeginTransaction();
  bool CommitTransaction();
  bool RollbackTransaction();

  int64_t LastInsertRowId() const;
  // Rows changed by the last INSERT, UPDATE or DELETE.
  int Changes() const;
  std::string LastErrorMessage() const;

 private:
  SQLiteDatabase(sqlite3* handle, std::string path);
  // A one-row, one-column query, for pragmas and existence checks.
  base::variant::Variant QueryScalar(const std::string& sql, const std::vector<base::variant::Variant>& args);

  sqlite3* handle_;
  const std::string path_;
};

// Opens or creates a plain database (no schema management): WAL and the busy time-out as above.
std::shared_ptr<SQLiteDatabase> OpenOrCreateDatabase(const std::string& path);

}  // namespace base::database
