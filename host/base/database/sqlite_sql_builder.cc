#include "host/base/database/sqlite_sql_builder.h"

#include <cctype>

#include "host/base/logging/logger.h"

namespace base::database {
namespace {

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) joined += separator;
    joined += parts[i];
  }
  return joined;
}

}  // namespace

SQLiteSqlBuilder::SQLiteSqlBuilder(std::string table) : table_(std::move(table)) {}

SQLiteSqlBuilder& SQLiteSqlBuilder::Columns(std::vector<std::string> columns) {
  columns_ = std::move(columns);
  return *this;
}

SQLiteSqlBuilder& SQLiteSqlBuilder::Where(std::string condition) {
  condition_ = std::move(condition);
  return *this;
}

SQLiteSqlBuilder& SQLiteSqlBuilder::OrderBy(std::string order) {
  order_ = std::move(order);
  return *this;
}

SQLiteSqlBuilder& SQLiteSqlBuilder::Limit(int64_t limit, int64_t offset) {
  limit_ = limit;
  offset_ = offset;
  return *this;
}

bool SQLiteSqlBuilder::IsIdentifier(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

bool SQLiteSqlBuilder::NamesValid() const {
  bool valid = IsIdentifier(table_);
  for (const auto& column : columns_) valid = valid && IsIdentifier(column);
  if (!valid) KLOG(1) << "SQL builder refused a table or column name that is not an identifier, table " << table_;
  return valid;
}

std::string SQLiteSqlBuilder::WhereClause() const { return condition_.empty() ? "" : " WHERE " + condition_; }

std::string SQLiteSqlBuilder::BuildQuery() const {
  if (!NamesValid()) return {};
  std::string sql = "SELECT " + (columns_.empty() ? std::string("*") : Join(columns_, ", ")) + " FROM " + table_ +
                    WhereClause();
  if (!order_.empty()) sql += " ORDER BY " + order_;
  if (limit_) sql += " LIMIT " + std::to_string(*limit_) + " OFFSET " + std::to_string(offset_);
  return sql;
}

std::string SQLiteSqlBuilder::BuildCount() const {
  if (!NamesValid()) return {};
  if (columns_.empty()) return "SELECT COUNT(*) FROM " + table_ + WhereClause();
  return "SELECT COUNT(*) FROM (SELECT DISTINCT " + Join(columns_, ", ") + " FROM " + table_ + WhereClause() + ")";
}

std::string SQLiteSqlBuilder::BuildUpdate() const {
  if (columns_.empty() || !NamesValid()) return {};
  std::vector<std::string> assignments;
  for (const auto& column : columns_) assignments.push_back(column + " =? ");
  return "UPDATE " + table_ + " SET " + Join(assignments, ", ") + WhereClause();
}

std::string SQLiteSqlBuilder::BuildDelete() const {
  if (!NamesValid()) return {};
  return "DELETE FROM " + table_ + WhereClause();
}

std::string SQLiteSqlBuilder::BuildInsert() const {
  if (columns_.empty() || !NamesValid()) return {};
  return "INSERT INTO " + table_ + "(" + Join(columns_, ", ") + ") VALUES (" + Placeholders(columns_.size()) + ")";
}

std::string SQLiteSqlBuilder::Placeholders(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += i ? ", ?" : "?";
  return text;
}

}  // namespace base::database
