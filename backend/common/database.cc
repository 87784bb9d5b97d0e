#include "common/database.h"

#include <sqlite3.h>

#include "common/log.h"

namespace qr_backend {

int64_t SqlRow::Int(size_t column) const {
  const auto* value = std::get_if<int64_t>(&values_.at(column));
  return value ? *value : 0;
}

std::string SqlRow::Text(size_t column) const {
  const SqlValue& value = values_.at(column);
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<int64_t>(&value)) return std::to_string(*number);
  return {};
}

bool SqlRow::IsNull(size_t column) const {
  return std::holds_alternative<std::monostate>(values_.at(column));
}

std::unique_ptr<Database> Database::Open(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  // WAL keeps readers off the writer's back; FULL syncs every commit so an acknowledged write
  // survives a crash of the process or the machine.
  char* message = nullptr;
  if (sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;",
                   nullptr, nullptr, &message) != SQLITE_OK) {
    *error = message ? message : "cannot configure the database";
    sqlite3_free(message);
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<Database>(new Database(db));
}

Database::Database(sqlite3* db) : db_(db) {}

Database::~Database() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void Database::LogError(std::string_view what, std::string_view sql) {
  LogWarning(std::string(what) + ": " + sqlite3_errmsg(db_) + " in: " + std::string(sql));
}

sqlite3_stmt* Database::Prepare(std::string_view sql) {
  auto it = statements_.find(std::string(sql));
  if (it != statements_.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &stmt, nullptr) != SQLITE_OK) {
    LogError("prepare failed", sql);
    return nullptr;
  }
  statements_.emplace(std::string(sql), stmt);
  return stmt;
}

bool Database::Bind(sqlite3_stmt* stmt, const SqlParams& params) {
  for (size_t i = 0; i < params.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    int rc = SQLITE_OK;
    if (const auto* number = std::get_if<int64_t>(&params[i])) {
      rc = sqlite3_bind_int64(stmt, index, *number);
    } else if (const auto* text = std::get_if<std::string>(&params[i])) {
      rc = sqlite3_bind_text(stmt, index, text->data(), static_cast<int>(text->size()),
                             SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_null(stmt, index);
    }
    if (rc != SQLITE_OK) return false;
  }
  return true;
}

ExecResult Database::Exec(std::string_view sql, const SqlParams& params) {
  std::lock_guard lock(mutex_);
  ExecResult result;
  sqlite3_stmt* stmt = Prepare(sql);
  if (!stmt) return result;
  if (!Bind(stmt, params)) {
    LogError("bind failed", sql);
    return result;
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    LogError("statement failed", sql);
    sqlite3_reset(stmt);
    return result;
  }
  result.ok = true;
  result.changes = sqlite3_changes(db_);
  result.last_insert_id = sqlite3_last_insert_rowid(db_);
  sqlite3_reset(stmt);
  return result;
}

std::optional<std::vector<SqlRow>> Database::Query(std::string_view sql, const SqlParams& params) {
  std::lock_guard lock(mutex_);
  sqlite3_stmt* stmt = Prepare(sql);
  if (!stmt) return std::nullopt;
  if (!Bind(stmt, params)) {
    LogError("bind failed", sql);
    return std::nullopt;
  }
  std::vector<SqlRow> rows;
  const int columns = sqlite3_column_count(stmt);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::vector<SqlValue> values;
    values.reserve(columns);
    for (int c = 0; c < columns; ++c) {
      switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_NULL:
          values.emplace_back(std::monostate{});
          break;
        case SQLITE_INTEGER:
          values.emplace_back(static_cast<int64_t>(sqlite3_column_int64(stmt, c)));
          break;
        default: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
          values.emplace_back(std::string(text ? text : "", sqlite3_column_bytes(stmt, c)));
        }
      }
    }
    rows.emplace_back(std::move(values));
  }
  const bool ok = rc == SQLITE_DONE;
  if (!ok) LogError("query failed", sql);
  sqlite3_reset(stmt);
  if (!ok) return std::nullopt;
  return rows;
}

bool Database::ExecScript(const std::string& sql) {
  std::lock_guard lock(mutex_);
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    LogWarning(std::string("script failed: ") + (message ? message : "?"));
    sqlite3_free(message);
    return false;
  }
  return true;
}

bool Database::Transaction(const std::function<bool()>& body) {
  std::lock_guard lock(mutex_);
  if (transaction_depth_ > 0) {
    ++transaction_depth_;
    const bool ok = body();
    --transaction_depth_;
    if (!ok) inner_failed_ = true;
    return ok;
  }
  if (!Exec("BEGIN IMMEDIATE")) return false;
  transaction_depth_ = 1;
  inner_failed_ = false;
  const bool ok = body() && !inner_failed_;
  transaction_depth_ = 0;
  if (ok && Exec("COMMIT")) return true;
  Exec("ROLLBACK");
  return false;
}

}  // namespace qr_backend
