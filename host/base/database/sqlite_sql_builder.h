#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace base::database {

// Builds the text of common statements from a table, columns, a condition and an order. Table and
// column names must be plain identifiers (letters, digits, '_'); the condition and the order are
// SQL written by the caller with "?" where values go, and the values are bound to the compiled
// statement, never pasted in. Every Build* answers "" when a name is not an identifier, so the
// compile of the result fails instead of running something unintended.
class SQLiteSqlBuilder {
 public:
  explicit SQLiteSqlBuilder(std::string table);

  SQLiteSqlBuilder& Columns(std::vector<std::string> columns);
  SQLiteSqlBuilder& Where(std::string condition);
  SQLiteSqlBuilder& OrderBy(std::string order);
  SQLiteSqlBuilder& Limit(int64_t limit, int64_t offset = 0);

  // SELECT <columns or *> FROM t [WHERE ...] [ORDER BY ...] [LIMIT n OFFSET m]
  std::string BuildQuery() const;
  // SELECT COUNT(*) FROM t [WHERE ...]; with columns, the number of distinct combinations of them.
  std::string BuildCount() const;
  // UPDATE t SET a =? , b =? [WHERE ...]   (needs columns)
  std::string BuildUpdate() const;
  // DELETE FROM t [WHERE ...]
  std::string BuildDelete() const;
  // INSERT INTO t(a, b) VALUES (?, ?)   (needs columns)
  std::string BuildInsert() const;

  // "?, ?, ?" for n values (empty for 0): the list of an IN (...) clause.
  static std::string Placeholders(size_t count);
  static bool IsIdentifier(const std::string& name);

 private:
  bool NamesValid() const;
  std::string WhereClause() const;

  std::string table_;
  std::vector<std::string> columns_;
  std::string condition_;
  std::string order_;
  std::optional<int64_t> limit_;
  int64_t offset_ = 0;
};

}  // namespace base::database
