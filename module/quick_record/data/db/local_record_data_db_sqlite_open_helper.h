#pragma once

#include <memory>
#include <string>

#include "host/base/database/sqlite_open_helper.h"
#include "module/quick_record/data/db/local_record_data_db_schema.h"

namespace quick_record {

// Opens the local record database in a database directory and keeps its schema at version 5.
// Used once, on the data router's looper, by the handler factory's Init.
class LocalRecordDataDBSQLiteOpenHelper : public base::database::SQLiteOpenHelper {
 public:
  using Database = std::shared_ptr<base::database::SQLiteDatabase>;

  explicit LocalRecordDataDBSQLiteOpenHelper(std::string directory);

  // Opens or creates the file and reports how long it took ("e#meetlog_db_open_time_cost").
  bool CreateDB();
  std::string DatabasePath() const;

  bool OnCreate(const Database& db) override;
  bool OnOpen(const Database& db) override;
  bool OnConfigure(const Database& db) override;
  bool OnDowngrade(const Database& db, int old_version, int new_version) override;
  // Builds whatever table the old version lacked, then adds the columns it lacked.
  bool OnUpgrade(const Database& db, int old_version, int new_version) override;

 private:
  // Creates one table and, when that compiled, its index. `label` names it in the logs.
  static bool CreateTable(const Database& db, const local_record_db::TableSchema& table, const char* label);
};

}  // namespace quick_record
