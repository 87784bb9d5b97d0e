#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"
#include "host/base/logging/logger.h"
#include "host/base/variant/variant.h"
#include "module/quick_record/data/db/local_record_data_types.h"

// What every database handler does the same way: read the typed request, check the database,
// compile and bind, read rows. Runs on the data router's looper.
namespace quick_record::db_handler {

using base::database::SQLiteDatabase;
using base::database::SQLiteStatement;
using base::datarouter::DataRouteRequestPacket;
using base::datarouter::DataRouteResponsePacket;
using Args = std::vector<base::variant::Variant>;

// Most values bound in one statement when a list of ids is split: far below SQLite's limit on
// parameters, so a list of any length works.
inline constexpr size_t kIdsPerStatement = 500;

// The request's typed object; null (logged "<handler>: req_packet is null") when missing.
template <typename T>
std::shared_ptr<T> RequestObject(const std::shared_ptr<DataRouteRequestPacket>& request, const char* handler) {
  std::shared_ptr<T> object = request ? request->Object<T>() : nullptr;
  if (!object) KLOG(1) << handler << ": req_packet is null";
  return object;
}

// False (logged "lrKP: invalid db[<path>]") when the database could not be locked.
bool UsableDb(const std::shared_ptr<SQLiteDatabase>& db, const char* db_name);

// Compiled with `args` bound; null (logged "lrKP: sqlite execute failed.") on failure.
std::unique_ptr<SQLiteStatement> Prepare(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql,
                                         const Args& args);
// Calls read(statement) on every row the statement yields; false when stepping failed.
template <typename Read>
bool ForEachRow(SQLiteStatement& statement, Read&& read) {
  SQLiteStatement::StepResult step;
  while ((step = statement.Step()) == SQLiteStatement::StepResult::kRow) read(statement);
  return step != SQLiteStatement::StepResult::kError;
}
// Runs a statement that returns no rows.
bool Execute(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args);

// "app_id = ? AND app_uid = ?" with the owner's two values appended to `args`.
std::string OwnerCondition(const LocalRecordOwner& owner, Args* args);
// " and data_type in (?)" or, for kLocalDataTypeBoth, " and data_type in (?, ?)" with 0 and 1.
std::string TypesClause(int64_t data_type, Args* args);
// "?, ?, ?" for the values, which are appended to `args`. Ids are always bound, never quoted into
// the SQL text: an id holding quotes, SQL or a NUL byte is matched exactly as it is.
std::string BindList(const std::vector<std::string>& values, Args* args);
// " LIMIT ? OFFSET ?" asking one row more than the page, or "" when page_size is 0.
std::string PageClause(int64_t page_size, int64_t offset, Args* args);

// Reads every "local_record_data" row of a SELECT * by column index.
bool QueryRows(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args,
               std::vector<LocalRecordDataInfo>* rows);
// Sets `has_more` of a page whose query asked for one row more than `page_size`.
void MarkHasMore(int64_t page_size, LocalRecordDataListResp* page);

// Lets a batch of writes commit once instead of once per row; commits when it goes out of scope.
// Without a transaction (it could not begin) the statements still run one by one.
class ScopedWriteBatch {
 public:
  explicit ScopedWriteBatch(std::shared_ptr<SQLiteDatabase> db);
  ~ScopedWriteBatch();
  ScopedWriteBatch(const ScopedWriteBatch&) = delete;
  ScopedWriteBatch& operator=(const ScopedWriteBatch&) = delete;

 private:
  std::shared_ptr<SQLiteDatabase> db_;
  bool began_;
};

}  // namespace quick_record::db_handler
