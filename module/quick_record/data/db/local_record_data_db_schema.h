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

// An index that serves the order of a paged list, so that a page of 20 reads about 20 rows
// instead of sorting all of the owner's rows.
struct OrderIndex {
  const char* name;
  const char* columns;  // columns or expressions, as the list's ORDER BY writes them
};

// A table as it is created: columns in order, the unique key and the order indexes.
struct TableSchema {
  const char* name;
  std::vector<Column> columns;
  std::vector<std::string> key_columns;
  std::vector<OrderIndex> order_indexes;
};

const TableSchema& LocalRecordDataSchema();
const TableSchema& SyncRecordSchema();
const TableSchema& LocalRecordRedDotSchema();

// "CREATE TABLE IF NOT EXISTS <name>(<col> <type>, ... UNIQUE (<keys>));"
std::string CreateTableSql(const TableSchema& table);
// "CREATE INDEX IF NOT EXISTS <name>_index ON <name> (<keys>);"
std::string CreateIndexSql(const TableSchema& table);
// "CREATE INDEX IF NOT EXISTS <index> ON <name> (<columns>);"
std::string CreateIndexSql(const TableSchema& table, const OrderIndex& index);

// MD5 hex of "local_record_data" + ".db".
std::string DatabaseFileName();

inline constexpr int kUpgradeColumnCount = 42;
extern const base::database::SQLiteOpenHelper::DatabaseUpgradeColumn kUpgradeColumns[kUpgradeColumnCount];

}  // namespace quick_record::local_record_db
