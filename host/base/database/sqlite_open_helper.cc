#include "host/base/database/sqlite_open_helper.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/util/file.h"

namespace base::database {
namespace {

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

// A type name is a few words, maybe with a size such as VARCHAR(64); nothing else may reach SQL.
bool IsPlainTypeName(const char* type) {
  for (const char* p = type; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (!std::isalnum(c) && c != '_' && c != ' ' && c != '(' && c != ')' && c != ',') return false;
  }
  return true;
}

bool IsNumber(const char* text) {
  if (!*text) return false;
  char* end = nullptr;
  std::strtod(text, &end);
  return *end == '\0' && !std::isspace(static_cast<unsigned char>(text[0]));
}

// ALTER TABLE ... DEFAULT needs a constant in the SQL text itself: parameters are not allowed
// there, so the value is turned into a literal here.
std::string DefaultLiteral(const char* value) {
  if (IsNumber(value)) return value;
  if (strcasecmp(value, "true") == 0) return "TRUE";
  if (strcasecmp(value, "false") == 0) return "FALSE";
  std::string literal = "'";
  for (const char* p = value; *p; ++p) {
    literal += *p;
    if (*p == '\'') literal += '\'';
  }
  return literal + "'";
}

}  // namespace

SQLiteOpenHelper::SQLiteOpenHelper(std::string directory) : directory_(std::move(directory)) {}

SQLiteOpenHelper::~SQLiteOpenHelper() = default;

bool SQLiteOpenHelper::OnOpen(const std::shared_ptr<SQLiteDatabase>&) { return true; }

bool SQLiteOpenHelper::OnConfigure(const std::shared_ptr<SQLiteDatabase>&) { return true; }

bool SQLiteOpenHelper::OnDowngrade(const std::shared_ptr<SQLiteDatabase>&, int, int) { return true; }

bool SQLiteOpenHelper::OnUpgrade(const std::shared_ptr<SQLiteDatabase>&, int, int) { return true; }

bool SQLiteOpenHelper::OpenOrCreate(const std::string& path, int version, const std::string& key, bool flag,
                                    Delegate* delegate) {
  if (version <= 0) {
    KLOG(1) << "database version must be positive, got " << version << " for " << path;
    return false;
  }
  if (!key.empty()) {
    KLOG(1) << "database key refused: this host's SQLite has no encryption, " << path;
    return false;
  }
  if (!util::file::MakePath(util::file::DirName(path))) {
    KLOG(1) << "cannot create the directory of database " << path;
    return false;
  }
  SQLiteDatabase::OpenError error = SQLiteDatabase::OpenError::kNone;
  auto db = SQLiteDatabase::Open(path, true, &error);
  if (!db && error == SQLiteDatabase::OpenError::kNotADatabase && flag) {
    const std::string moved_to = path + ".corrupt-" + std::to_string(base::clock::WallMs());
    if (std::rename(path.c_str(), moved_to.c_str()) == 0) {
      // Stale journal files belong to the file that was moved away.
      util::file::Remove(path + "-wal");
      util::file::Remove(path + "-shm");
      KLOG(3) << "database " << path << " was not readable; moved to " << moved_to;
      if (delegate) delegate->OnCorruptDatabaseReplaced(path, moved_to);
      db = SQLiteDatabase::Open(path, true, &error);
    }
  }
  if (!db) return false;
  if (!OnConfigure(db) || !MigrateSchema(db, version) || !OnOpen(db)) return false;
  db_ = std::move(db);
  return true;
}

bool SQLiteOpenHelper::MigrateSchema(const std::shared_ptr<SQLiteDatabase>& db, int version) {
  if (!db->BeginTransaction()) return false;
  // Read inside the transaction: another process may have migrated the file meanwhile.
  const int stored = db->GetUserVersion();
  if (stored == version) return db->CommitTransaction();
  bool ok;
  if (stored == 0) {
    ok = OnCreate(db);
  } else if (stored < version) {
    ok = OnUpgrade(db, stored, version);
  } else {
    ok = OnDowngrade(db, stored, version);
  }
  if (ok && db->SetUserVersion(version) && db->CommitTransaction()) {
    KLOG(6) << "database " << db->path() << " schema " << stored << " -> " << version;
    return true;
  }
  KLOG(1) << "database " << db->path() << " schema " << stored << " -> " << version << " failed; rolled back";
  db->RollbackTransaction();
  return false;
}

bool SQLiteOpenHelper::UpgradeColumn(const std::shared_ptr<SQLiteDatabase>& db, int old_version, int new_version,
                                     const DatabaseUpgradeColumn* list, int count) {
  if (!db || (!list && count > 0)) return false;
  bool all_ok = true;
  for (int i = 0; i < count; ++i) {
    const DatabaseUpgradeColumn& column = list[i];
    if (column.version <= old_version || column.version > new_version) continue;
    if (!column.table_name || !column.column_name || !column.column_type || !IsPlainTypeName(column.column_type)) {
      KLOG(1) << "upgrade entry " << i << " is malformed";
      all_ok = false;
      continue;
    }
    if (db->ColumnExists(column.table_name, column.column_name)) {
      KLOG(6) << "column " << column.table_name << "." << column.column_name << " exists, skipped";
      continue;
    }
    std::string sql = "ALTER TABLE " + QuoteIdentifier(column.table_name) + " ADD COLUMN " +
                      QuoteIdentifier(column.column_name) + " " + column.column_type;
    if (column.default_value) sql += " DEFAULT " + DefaultLiteral(column.default_value);
    if (!db->Execute(sql)) {
      KLOG(1) << "cannot add column " << column.table_name << "." << column.column_name << ": "
              << db->LastErrorMessage();
      all_ok = false;
    }
  }
  return all_ok;
}

}  // namespace base::database
