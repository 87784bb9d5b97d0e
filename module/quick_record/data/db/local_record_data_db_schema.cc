#include "module/quick_record/data/db/local_record_data_db_schema.h"

#include "host/util/crypto.h"

namespace quick_record::local_record_db {

namespace {

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? separator : "") + parts[i];
  return joined;
}

constexpr char kPk[] = "INTEGER PRIMARY KEY AUTOINCREMENT";
constexpr char kTextNotNull[] = "TEXT NOT NULL";

}  // namespace

const TableSchema& LocalRecordDataSchema() {
  static const TableSchema schema{
      kLocalRecordDataTable,
      {{"id", kPk},
       {"app_id", kTextNotNull},
       {"app_uid", kTextNotNull},
       {"instance_id", kTextNotNull},
       {"meeting_id", kTextNotNull},
       {"period_id", kTextNotNull},
       {"record_title", "TEXT"},
       {"local_file_path", "TEXT"},
       {"meeting_code", "TEXT"},
       {"cover_path", "TEXT"},
       {"record_id", "TEXT"},
       {"complete_jump_url", "TEXT"},
       {"video_md5", "TEXT"},
       {"start_record_time", "INT"},
       {"record_end_time", "INT"},
       {"last_visited_time", "INT"},
       {"width", "INT"},
       {"height", "INT"},
       {"video_length", "INT"},
       {"upload_status", "INT"},
       {"uploaded_size", "INT"},
       {"total_size", "INT"},
       {"fail_reason", "INT"},
       {"retry_action", "INT"},
       {"is_record_complete", "BOOLEAN"},
       {"is_recovery_upload", "BOOLEAN"},
       {"data_type", "INT"},
       {"record_time_duration", "INT"},
       {"is_window_capture", "BOOLEAN"},
       {"record_flag", "INT"},
       {"finished_time", "INT"},
       {"show_red_point", "BOOLEAN"}},
      {"app_id", "app_uid", "instance_id"},
      {{"local_record_data_start_time_index", "app_id, app_uid, start_record_time"},
       {"local_record_data_visited_time_index", "app_id, app_uid, last_visited_time"},
       {"local_record_data_update_time_index", "app_id, app_uid, MAX(last_visited_time, finished_time)"}}};
  return schema;
}

const TableSchema& SyncRecordSchema() {
  static const TableSchema schema{kSyncRecordTable,
                                  {{"id", kPk},
                                   {"app_id", kTextNotNull},
                                   {"app_uid", kTextNotNull},
                                   {"is_sync_success", "BOOLEAN"},
                                   {"sync_version", "INT"}},
                                  {"app_id", "app_uid"},
                                  {}};
  return schema;
}

const TableSchema& LocalRecordRedDotSchema() {
  static const TableSchema schema{kLocalRecordRedDotTable,
                                  {{"id", kPk},
                                   {"app_id", kTextNotNull},
                                   {"app_uid", kTextNotNull},
                                   {"instance_id", kTextNotNull},
                                   {"meeting_id", kTextNotNull},
                                   {"period_id", kTextNotNull},
                                   {"data_type", "INT"},
                                   {"state", "INT"}},
                                  {"app_id", "app_uid", "instance_id"},
                                  {}};
  return schema;
}

std::string CreateTableSql(const TableSchema& table) {
  std::string sql = std::string("CREATE TABLE IF NOT EXISTS ") + table.name + "(";
  for (const Column& column : table.columns) sql += std::string(column.name) + " " + column.type + ", ";
  return sql + "UNIQUE (" + Join(table.key_columns, ",") + "));";
}

std::string CreateIndexSql(const TableSchema& table) {
  return std::string("CREATE INDEX IF NOT EXISTS ") + table.name + "_index ON " + table.name + " (" +
         Join(table.key_columns, ",") + ");";
}

std::string CreateIndexSql(const TableSchema& table, const OrderIndex& index) {
  return std::string("CREATE INDEX IF NOT EXISTS ") + index.name + " ON " + table.name + " (" + index.columns + ");";
}

std::string DatabaseFileName() { return util::crypto::Md5(kDatabaseName) + ".db"; }

// "version" is the schema version that introduced the column; an upgrade from version v adds the
// entries above v. The red-dot table's data_type is TEXT here although its CREATE says INT: it only
// matters if that column were ever missing from an existing red-dot table.
const base::database::SQLiteOpenHelper::DatabaseUpgradeColumn kUpgradeColumns[kUpgradeColumnCount] = {
    {1, kLocalRecordDataTable, "INT", "start_record_time", "0"},
    {1, kLocalRecordDataTable, "INT", "record_end_time", "0"},
    {1, kLocalRecordDataTable, "INT", "last_visited_time", "0"},
    {1, kLocalRecordDataTable, "INT", "width", "0"},
    {1, kLocalRecordDataTable, "INT", "height", "0"},
    {1, kLocalRecordDataTable, "INT", "video_length", "0"},
    {1, kLocalRecordDataTable, "INT", "upload_status", "0"},
    {1, kLocalRecordDataTable, "INT", "uploaded_size", "0"},
    {1, kLocalRecordDataTable, "INT", "total_size", "0"},
    {1, kLocalRecordDataTable, "INT", "fail_reason", "0"},
    {1, kLocalRecordDataTable, "INT", "retry_action", "0"},
    {1, kLocalRecordDataTable, "TEXT", "instance_id", ""},
    {1, kLocalRecordDataTable, "TEXT", "app_id", ""},
    {1, kLocalRecordDataTable, "TEXT", "app_uid", ""},
    {1, kLocalRecordDataTable, "TEXT", "record_title", ""},
    {1, kLocalRecordDataTable, "TEXT", "local_file_path", ""},
    {1, kLocalRecordDataTable, "TEXT", "meeting_code", ""},
    {1, kLocalRecordDataTable, "TEXT", "cover_path", ""},
    {1, kLocalRecordDataTable, "TEXT", "record_id", ""},
    {1, kLocalRecordDataTable, "TEXT", "complete_jump_url", ""},
    {1, kLocalRecordDataTable, "TEXT", "meeting_id", ""},
    {1, kLocalRecordDataTable, "TEXT", "period_id", ""},
    {1, kLocalRecordDataTable, "TEXT", "video_md5", ""},
    {1, kLocalRecordDataTable, "BOOLEAN", "is_record_complete", "false"},
    {1, kLocalRecordDataTable, "BOOLEAN", "is_recovery_upload", "false"},
    {1, kLocalRecordDataTable, "INT", "data_type", "0"},
    {1, kLocalRecordDataTable, "INT", "record_time_duration", "0"},
    {1, kLocalRecordDataTable, "BOOLEAN", "is_window_capture", "false"},
    {1, kLocalRecordDataTable, "INT", "record_flag", "0"},
    {3, kLocalRecordDataTable, "INT", "finished_time", "0"},
    {5, kLocalRecordDataTable, "BOOLEAN", "show_red_point", "false"},
    {1, kSyncRecordTable, "TEXT", "app_id", ""},
    {1, kSyncRecordTable, "TEXT", "app_uid", ""},
    {1, kSyncRecordTable, "BOOLEAN", "is_sync_success", "false"},
    {3, kSyncRecordTable, "INT", "sync_version", "0"},
    {4, kLocalRecordRedDotTable, "TEXT", "app_id", ""},
    {4, kLocalRecordRedDotTable, "TEXT", "app_uid", ""},
    {4, kLocalRecordRedDotTable, "TEXT", "instance_id", ""},
    {4, kLocalRecordRedDotTable, "TEXT", "meeting_id", ""},
    {4, kLocalRecordRedDotTable, "TEXT", "period_id", ""},
    {4, kLocalRecordRedDotTable, "TEXT", "data_type", ""},
    {4, kLocalRecordRedDotTable, "INT", "state", "0"},
};

}  // namespace quick_record::local_record_db
