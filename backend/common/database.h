#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qr_backend {

// The back end stores integers and texts only; monostate is SQL NULL.
using SqlValue = std::variant<std::monostate, int64_t, std::string>;
using SqlParams = std::vector<SqlValue>;

class SqlRow {
 public:
  explicit SqlRow(std::vector<SqlValue> values) : values_(std::move(values)) {}
  // A NULL or text column reads as 0; an integer column read as text gives its decimal form.
  int64_t Int(size_t column) const;
  std::string Text(size_t column) const;
  bool IsNull(size_t column) const;

 private:
  std::vector<SqlValue> values_;
};

struct ExecResult {
  bool ok = false;
  int changes = 0;
  int64_t last_insert_id = 0;
  explicit operator bool() const { return ok; }
};

// One SQLite connection in WAL mode shared by all server threads. Every call holds the
// connection's lock; Transaction() holds it across its body so that a read-modify-write is
// atomic. Values are always bound as parameters, never pasted into SQL.
class Database {
 public:
  static std::unique_ptr<Database> Open(const std::string& path, std::string* error);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  ExecResult Exec(std::string_view sql, const SqlParams& params = {});
  // nullopt when the statement failed; an empty vector when it matched nothing.
  std::optional<std::vector<SqlRow>> Query(std::string_view sql, const SqlParams& params = {});
  // Runs several statements without parameters (schema changes).
  bool ExecScript(const std::string& sql);

  // BEGIN IMMEDIATE, then the body; commits when it returns true, rolls back otherwise. A
  // transaction begun inside another one joins it: its failure rolls the outer one back.
  bool Transaction(const std::function<bool()>& body);

 private:
  explicit Database(sqlite3* db);
  sqlite3_stmt* Prepare(std::string_view sql);
  bool Bind(sqlite3_stmt* stmt, const SqlParams& params);
  void LogError(std::string_view what, std::string_view sql);

  sqlite3* db_;
  std::recursive_mutex mutex_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  int transaction_depth_ = 0;
  bool inner_failed_ = false;
};

}  // namespace qr_backend
