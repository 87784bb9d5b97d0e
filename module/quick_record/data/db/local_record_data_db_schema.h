#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/database/sqlite_open_helper.h"

// The schema of the local record database: its file, tables, indexes and upgrade list.
namespace quick_record::local_record_db {

inline constexpr int kSchemaVersion = 5;
inline constexpr char kDatabaseName[] = "local_record_data";
inline constexpr char kLocalRecordDataTable[] = "local_record_data";
inline constexpr char kSyncRecordTable[] = "sync_record";
inline constexpr char kLocalRecordRedDotTable[] = "local_record_red_dot";

struct Column {
  const char* name;
  const char* type;
};

// A table as it is created: columns in order and the unique key.
struct TableSchema {
  const char* name;
  std::vector<Column> columns;
  std::vector<std::string> key_columns;
};

const TableSchema& LocalRecordDataSchema();
const TableSchema& SyncRecordSchema();
const TableSchema& LocalRecordRedDotSchema();

// "CREATE TABLE IF NOT EXISTS <name>(<col> <type>, ... UNIQUE (<keys>));"
std::string CreateTableSql(const TableSchema& table);
// "CREATE INDEX IF NOT EXISTS <name>_index ON <name> (<keys>);"
std::string CreateIndexSql(const TableSchema& table);

// MD5 hex of "local_record_data" + ".db".
std::string DatabaseFileName();

inline constexpr int kUpgradeColumnCount = 42;
extern const base::database::SQLiteOpenHelper::DatabaseUpgradeColumn kUpgradeColumns[kUpgradeColumnCount];

}  // namespace quick_record::local_record_db
