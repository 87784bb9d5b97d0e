#pragma once

#include <memory>
#include <string>

#include "host/base/database/sqlite_database.h"

namespace base::database {

// Opens a database file and keeps its schema at the version the caller asks for. The schema
// version lives in the file's "user_version": 0 means a new file. The hooks run in this order:
//   OnConfigure, then (inside one transaction that also stores the new version)
//   OnCreate for a new file, OnUpgrade when the stored version is lower, OnDowngrade when higher;
//   then OnOpen on every open.
// A hook that answers false rolls the transaction back, so the stored version never claims a
// schema that was not built; the open then fails.
class SQLiteOpenHelper {
 public:
  // One column that a schema version introduced: (version, table, SQL type, column, default).
  // The default is SQL text: a number, true/false, or any other text (stored as a string);
  // null for no default.
  struct DatabaseUpgradeColumn {
    int version;
    const char* table_name;
    const char* column_type;
    const char* column_name;
    const char* default_value;
  };

  // Told when a file that held no readable database was moved aside and replaced (see `flag`).
  class Delegate {
   public:
    virtual ~Delegate() = default;
    virtual void OnCorruptDatabaseReplaced(const std::string& path, const std::string& moved_to) = 0;
  };

  // `directory` is where the helper's databases live; OpenOrCreate creates it when missing.
  explicit SQLiteOpenHelper(std::string directory);
  virtual ~SQLiteOpenHelper();
  SQLiteOpenHelper(const SQLiteOpenHelper&) = delete;
  SQLiteOpenHelper& operator=(const SQLiteOpenHelper&) = delete;

  virtual bool OnCreate(const std::shared_ptr<SQLiteDatabase>& db) = 0;
  virtual bool OnOpen(const std::shared_ptr<SQLiteDatabase>& db);
  virtual bool OnConfigure(const std::shared_ptr<SQLiteDatabase>& db);
  // Keeps the newer schema as it is; the lower version is stored.
  virtual bool OnDowngrade(const std::shared_ptr<SQLiteDatabase>& db, int old_version, int new_version);
  virtual bool OnUpgrade(const std::shared_ptr<SQLiteDatabase>& db, int old_version, int new_version);

  // Opens `path` at schema `version` (> 0). `key` must be empty: this host's SQLite has no
  // encryption, and an encrypted file cannot be promised. With `flag` set, a file that is not a
  // database is moved to "<path>.corrupt-<ms>" and a new one is created (the delegate, if any, is
  // told); without it such a file makes the open fail and stays untouched.
  bool OpenOrCreate(const std::string& path, int version, const std::string& key, bool flag, Delegate* delegate);

  // Adds each listed column that `old_version` lacked and `new_version` has (old < version <=
  // new). A column that exists already is skipped. False when any other column could not be
  // added (the rest are still tried).
  static bool UpgradeColumn(const std::shared_ptr<SQLiteDatabase>& db, int old_version, int new_version,
                            const DatabaseUpgradeColumn* list, int count);

  // The database of the last successful OpenOrCreate; null before one.
  std::shared_ptr<SQLiteDatabase> GetDatabase() const { return db_; }
  const std::string& directory() const { return directory_; }

 private:
  bool MigrateSchema(const std::shared_ptr<SQLiteDatabase>& db, int version);

  const std::string directory_;
  std::shared_ptr<SQLiteDatabase> db_;
};

}  // namespace base::database
