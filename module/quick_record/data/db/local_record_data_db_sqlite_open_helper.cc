#include "module/quick_record/data/db/local_record_data_db_sqlite_open_helper.h"

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/sdk/kovani_common/analytics.h"

namespace quick_record {

namespace db = local_record_db;

LocalRecordDataDBSQLiteOpenHelper::LocalRecordDataDBSQLiteOpenHelper(std::string directory)
    : SQLiteOpenHelper(std::move(directory)) {}

std::string LocalRecordDataDBSQLiteOpenHelper::DatabasePath() const {
  std::string dir = directory();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + db::DatabaseFileName();
}

bool LocalRecordDataDBSQLiteOpenHelper::CreateDB() {
  const std::string path = DatabasePath();
  const int64_t start_ms = base::clock::SteadyMs();
  const bool success = OpenOrCreate(path, db::kSchemaVersion, "", false, nullptr);
  const int64_t cost_ms = base::clock::SteadyMs() - start_ms;
  kovani_common::utils::analytics::LogEventWithProperties(
      "e#meetlog_db_open_time_cost", {{"cost_time", std::to_string(cost_ms)}, {"db_name", db::kDatabaseName}});
  if (!success) KLOG(1) << "hmKP:OpenOrCreate error,db_path:" << path;
  KLOG(success ? 6 : 1) << "hmKP:OpenOrCreateDB: db_name = " << db::kDatabaseName
                        << ",md5_name:" << db::DatabaseFileName() << ", success = " << success;
  return success;
}

bool LocalRecordDataDBSQLiteOpenHelper::CreateTable(const Database& db, const db::TableSchema& table,
                                                    const char* label) {
  if (!db) {
    KLOG(1) << "hmKP:create " << label << " failed, db is null";
    return false;
  }
  const std::string sql = db::CreateTableSql(table);
  KLOG(6) << "hmKP:create " << label << ":" << sql;
  auto statement = db->Compile(sql);
  if (!statement || !statement->Execute()) {
    KLOG(1) << "hmKP:create " << label << ": error:" << sql;
    return false;
  }
  return db->Execute(db::CreateIndexSql(table));
}

bool LocalRecordDataDBSQLiteOpenHelper::OnCreate(const Database& db) {
  return CreateTable(db, db::LocalRecordDataSchema(), "LocalRecordDataTable") &&
         CreateTable(db, db::SyncRecordSchema(), "SyncRecordTable") &&
         CreateTable(db, db::LocalRecordRedDotSchema(), "LocalRecordRedDot");
}

bool LocalRecordDataDBSQLiteOpenHelper::OnOpen(const Database& db) {
  if (!CreateTable(db, db::LocalRecordDataSchema(), "LocalRecordDataTable") ||
      !CreateTable(db, db::SyncRecordSchema(), "SyncRecordTable")) {
    return false;
  }
  // Built here, after any upgrade: they name columns that older versions lacked.
  const auto& table = db::LocalRecordDataSchema();
  for (const auto& index : table.order_indexes) {
    if (!db->Execute(db::CreateIndexSql(table, index))) return false;
  }
  return true;
}

bool LocalRecordDataDBSQLiteOpenHelper::OnConfigure(const Database&) { return true; }

bool LocalRecordDataDBSQLiteOpenHelper::OnDowngrade(const Database&, int, int) { return true; }

bool LocalRecordDataDBSQLiteOpenHelper::OnUpgrade(const Database& db, int old_version, int new_version) {
  if (!OnCreate(db)) return false;
  return UpgradeColumn(db, old_version, new_version, db::kUpgradeColumns, db::kUpgradeColumnCount);
}

}  // namespace quick_record
