#include "module/quick_record/data/db/db_handler_support.h"

#include "host/base/database/sqlite_sql_builder.h"

namespace quick_record::db_handler {

using base::variant::Variant;

bool UsableDb(const std::shared_ptr<SQLiteDatabase>& db, const char* db_name) {
  if (db) return true;
  KLOG(1) << "lrKP: invalid db[" << db_name << "]";
  return false;
}

std::unique_ptr<SQLiteStatement> Prepare(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql,
                                         const Args& args) {
  auto statement = db->Compile(sql);
  if (!statement || !statement->BindAll(args)) {
    KLOG(1) << "lrKP: sqlite execute failed. " << db->LastErrorMessage();
    return nullptr;
  }
  return statement;
}

bool Execute(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args) {
  auto statement = Prepare(db, sql, args);
  if (!statement) return false;
  if (statement->Execute()) return true;
  KLOG(1) << "lrKP: sqlite execute failed. " << db->LastErrorMessage();
  return false;
}

std::string OwnerCondition(const LocalRecordOwner& owner, Args* args) {
  args->emplace_back(owner.app_id);
  args->emplace_back(owner.app_uid);
  return "app_id = ? AND app_uid = ?";
}

std::string TypesClause(int64_t data_type, Args* args) {
  if (data_type == kLocalDataTypeBoth) {
    args->emplace_back(kLocalDataTypeMeetingRecord);
    args->emplace_back(kLocalDataTypeQuickRecord);
    return " and data_type in (?, ?)";
  }
  args->emplace_back(data_type);
  return " and data_type in (?)";
}

std::string BindList(const std::vector<std::string>& values, Args* args) {
  for (const auto& value : values) args->emplace_back(value);
  return base::database::SQLiteSqlBuilder::Placeholders(values.size());
}

std::string PageClause(int64_t page_size, int64_t offset, Args* args) {
  if (page_size <= 0) return "";
  args->emplace_back(page_size + 1);
  args->emplace_back(offset < 0 ? 0 : offset);
  return " LIMIT ? OFFSET ?";
}

namespace {

void ReadColumn(const SQLiteStatement& s, int column, std::string* field) { *field = s.ColumnText(column); }
void ReadColumn(const SQLiteStatement& s, int column, int64_t* field) { *field = s.ColumnInt64(column); }
void ReadColumn(const SQLiteStatement& s, int column, bool* field) { *field = s.ColumnBool(column); }

}  // namespace

bool QueryRows(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args,
               std::vector<LocalRecordDataInfo>* rows) {
  auto statement = Prepare(db, sql, args);
  if (!statement) return false;
  const bool read = ForEachRow(*statement, [rows](SQLiteStatement& row_statement) {
    LocalRecordDataInfo row;
    row.id = row_statement.ColumnInt64(0);
    int column = 1;
    VisitLocalRecordColumns(row, [&](const char*, auto& field) { ReadColumn(row_statement, column++, &field); });
    rows->push_back(std::move(row));
  });
  if (!read) KLOG(1) << "lrKP: sqlite execute failed. " << db->LastErrorMessage();
  return read;
}

void MarkHasMore(int64_t page_size, LocalRecordDataListResp* page) {
  page->has_more = page_size > 0 && page->items.size() > static_cast<size_t>(page_size);
}

ScopedWriteBatch::ScopedWriteBatch(std::shared_ptr<SQLiteDatabase> db)
    : db_(std::move(db)), began_(db_->BeginTransaction()) {}

ScopedWriteBatch::~ScopedWriteBatch() {
  if (began_ && !db_->CommitTransaction()) db_->RollbackTransaction();
}

}  // namespace quick_record::db_handler
