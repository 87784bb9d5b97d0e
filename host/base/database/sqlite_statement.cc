#include "host/base/database/sqlite_statement.h"

#include <sqlite3.h>

#include "host/base/database/sqlite_database.h"
#include "host/base/logging/logger.h"

namespace base::database {

using base::variant::Variant;

SQLiteStatement::SQLiteStatement(std::shared_ptr<SQLiteDatabase> db, sqlite3_stmt* stmt, std::string sql)
    : db_(std::move(db)), stmt_(stmt), sql_(std::move(sql)) {}

SQLiteStatement::~SQLiteStatement() { sqlite3_finalize(stmt_); }

bool SQLiteStatement::CheckBind(int rc, int index) {
  if (rc == SQLITE_OK) return true;
  KLOG(3) << "bind of parameter " << index << " failed (" << sqlite3_errstr(rc) << "): " << sql_;
  return false;
}

bool SQLiteStatement::BindNull(int index) { return CheckBind(sqlite3_bind_null(stmt_, index), index); }

bool SQLiteStatement::BindInt64(int index, int64_t value) {
  return CheckBind(sqlite3_bind_int64(stmt_, index, value), index);
}

bool SQLiteStatement::BindDouble(int index, double value) {
  return CheckBind(sqlite3_bind_double(stmt_, index, value), index);
}

bool SQLiteStatement::BindText(int index, std::string_view value) {
  return CheckBind(sqlite3_bind_text64(stmt_, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
                   index);
}

bool SQLiteStatement::Bind(int index, const Variant& value) {
  switch (value.type()) {
    case Variant::Type::kNull:
      return BindNull(index);
    case Variant::Type::kBool:
      return BindBool(index, value.AsBool());
    case Variant::Type::kInt32:
    case Variant::Type::kUInt32:
    case Variant::Type::kInt64:
      return BindInt64(index, value.AsInt64());
    case Variant::Type::kUInt64:
      // SQLite integers are signed 64-bit; a larger value would change meaning silently.
      if (value.AsUInt64() > static_cast<uint64_t>(INT64_MAX)) break;
      return BindInt64(index, value.AsInt64());
    case Variant::Type::kDouble:
      return BindDouble(index, value.AsDouble());
    case Variant::Type::kString:
      return BindText(index, value.AsString());
    default:
      break;
  }
  KLOG(3) << "cannot bind a value of variant type " << static_cast<int>(value.type()) << " to parameter " << index;
  return false;
}

bool SQLiteStatement::BindAll(const std::vector<Variant>& values) {
  if (static_cast<int>(values.size()) != BindParameterCount()) {
    KLOG(3) << "statement wants " << BindParameterCount() << " parameters, got " << values.size() << ": " << sql_;
    return false;
  }
  for (size_t i = 0; i < values.size(); ++i) {
    if (!Bind(static_cast<int>(i) + 1, values[i])) return false;
  }
  return true;
}

int SQLiteStatement::BindParameterCount() const { return sqlite3_bind_parameter_count(stmt_); }

SQLiteStatement::StepResult SQLiteStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return StepResult::kRow;
  if (rc == SQLITE_DONE) return StepResult::kDone;
  KLOG(3) << "sqlite step failed (" << sqlite3_errmsg(sqlite3_db_handle(stmt_)) << "): " << sql_;
  return StepResult::kError;
}

bool SQLiteStatement::Execute() {
  for (;;) {
    switch (Step()) {
      case StepResult::kRow:
        continue;
      case StepResult::kDone:
        return true;
      case StepResult::kError:
        return false;
    }
  }
}

void SQLiteStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int SQLiteStatement::ColumnCount() const { return sqlite3_column_count(stmt_); }

std::string SQLiteStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(stmt_, column);
  return name ? name : "";
}

bool SQLiteStatement::ColumnIsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

int64_t SQLiteStatement::ColumnInt64(int column) const { return sqlite3_column_int64(stmt_, column); }

double SQLiteStatement::ColumnDouble(int column) const { return sqlite3_column_double(stmt_, column); }

std::string SQLiteStatement::ColumnText(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  if (!text) return {};
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

Variant SQLiteStatement::ColumnValue(int column) const {
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
      return Variant(ColumnInt64(column));
    case SQLITE_FLOAT:
      return Variant(ColumnDouble(column));
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      return Variant(ColumnText(column));
    default:
      return Variant();
  }
}

}  // namespace base::database
