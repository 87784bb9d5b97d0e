#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/base/variant/variant.h"

struct sqlite3_stmt;

namespace base::database {

class SQLiteDatabase;

// One compiled SQL statement of a database handle. Parameters are numbered from 1 (as in SQL's
// "?NNN"), result columns from 0. Values are only ever bound, never pasted into SQL text.
// A statement keeps its database open while it lives; use it from one thread at a time.
class SQLiteStatement {
 public:
  enum class StepResult { kRow, kDone, kError };

  SQLiteStatement(std::shared_ptr<SQLiteDatabase> db, sqlite3_stmt* stmt, std::string sql);
  ~SQLiteStatement();
  SQLiteStatement(const SQLiteStatement&) = delete;
  SQLiteStatement& operator=(const SQLiteStatement&) = delete;

  bool BindNull(int index);
  bool BindInt64(int index, int64_t value);
  bool BindInt(int index, int value) { return BindInt64(index, value); }
  bool BindBool(int index, bool value) { return BindInt64(index, value ? 1 : 0); }
  bool BindDouble(int index, double value);
  bool BindText(int index, std::string_view value);
  // Null, bool, integers, double and string; other variant types are refused.
  bool Bind(int index, const base::variant::Variant& value);
  // Binds values[i] to parameter i + 1; the count must match the statement's parameters.
  bool BindAll(const std::vector<base::variant::Variant>& values);
  int BindParameterCount() const;

  StepResult Step();
  // Steps until the statement is done; false on the first error.
  bool Execute();
  // Makes the statement ready to run again and clears its bindings.
  void Reset();

  int ColumnCount() const;
  std::string ColumnName(int column) const;
  bool ColumnIsNull(int column) const;
  int64_t ColumnInt64(int column) const;
  int ColumnInt(int column) const { return static_cast<int>(ColumnInt64(column)); }
  bool ColumnBool(int column) const { return ColumnInt64(column) != 0; }
  double ColumnDouble(int column) const;
  std::string ColumnText(int column) const;
  // The column as the variant of its stored type (null, int64, double or string).
  base::variant::Variant ColumnValue(int column) const;

  const std::string& sql() const { return sql_; }

 private:
  bool CheckBind(int rc, int index);

  std::shared_ptr<SQLiteDatabase> db_;
  sqlite3_stmt* stmt_;
  const std::string sql_;
};

}  // namespace base::database
