#include "module/quick_record/data/db/local_record_data_handlers.h"

#include <set>

#include "host/base/database/sqlite_sql_builder.h"
#include "module/quick_record/data/db/db_handler_support.h"
#include "module/quick_record/data/db/local_record_data_db_schema.h"

namespace quick_record {

using namespace db_handler;  // NOLINT: the handlers' shared vocabulary
using base::variant::Variant;

namespace {

constexpr char kDbName[] = "local_record_data";
constexpr char kSelectAll[] = "SELECT * FROM local_record_data WHERE ";

bool HasMainKey(const std::string& app_id, const std::string& app_uid, const std::string& key) {
  return !app_id.empty() && !app_uid.empty() && !key.empty();
}

std::string InsertSql() {
  static const std::string sql = [] {
    std::vector<std::string> columns;
    PluginSaveOrUpdateLocalDataReqInfo info;
    VisitLocalRecordColumns(info, [&columns](const char* column, auto&) { columns.emplace_back(column); });
    return base::database::SQLiteSqlBuilder(local_record_db::kLocalRecordDataTable).Columns(columns).BuildInsert() +
           " ON CONFLICT(app_id,app_uid,instance_id) DO NOTHING";
  }();
  return sql;
}

Args InsertArgs(const PluginSaveOrUpdateLocalDataReqInfo& info) {
  Args args;
  args.reserve(31);
  VisitLocalRecordColumns(info, [&args](const char*, const auto& field) { args.emplace_back(field); });
  return args;
}

// Runs a list query and answers it as a LocalRecordDataListResp.
void AnswerRows(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args, int64_t page_size,
                const std::shared_ptr<DataRouteResponsePacket>& response) {
  auto page = std::make_shared<LocalRecordDataListResp>();
  if (!QueryRows(db, sql, args, &page->items)) return;
  MarkHasMore(page_size, page.get());
  response->SetObject(page);
  response->SetSuccess(true);
}

// The key column of a delete or path query by key kind.
const char* KeyColumn(int32_t key_kind) {
  switch (key_kind) {
    case kLocalRecordKeyRecordId:
      return "record_id";
    case kLocalRecordKeyMeetingId:
      return "meeting_id";
    default:
      return "instance_id";
  }
}

// Deletes one record by its key kind; false when the key is empty or the statement fails.
bool DeleteByKey(const std::shared_ptr<SQLiteDatabase>& db, const PluginDeleteLocalDataReq& r) {
  Args args;
  std::string sql = "DELETE FROM local_record_data WHERE " + OwnerCondition(r, &args);
  std::string key;
  switch (r.key_kind) {
    case kLocalRecordKeyRecordId:
      key = r.record_id;
      sql += " AND record_id = ?";
      args.emplace_back(r.record_id);
      break;
    case kLocalRecordKeyMeetingId:
      key = r.meeting_id.empty() || r.period_id.empty() ? "" : r.meeting_id;
      sql += " AND meeting_id = ? AND period_id = ?";
      args.emplace_back(r.meeting_id);
      args.emplace_back(r.period_id);
      break;
    default:
      key = r.instance_id;
      sql += " AND instance_id = ?";
      args.emplace_back(r.instance_id);
      break;
  }
  if (!HasMainKey(r.app_id, r.app_uid, key)) {
    KLOG(3) << "lrKP:  MainKey is empty, not to execute sql.";
    return false;
  }
  return Execute(db, sql, args);
}

// key → local_file_path of the owner's rows whose `key_column` is one of `keys`. The keys are
// bound in chunks of `?, ?, ?` lists (never quoted into the SQL), so any key text is matched
// exactly and a list of any length fits SQLite's limit on parameters.
bool QueryKeyPaths(const std::shared_ptr<SQLiteDatabase>& db, const LocalRecordOwner& owner, const char* key_column,
                   const std::vector<std::string>& keys, std::map<std::string, std::string>* paths) {
  for (size_t begin = 0; begin < keys.size(); begin += kIdsPerStatement) {
    const std::vector<std::string> chunk(keys.begin() + begin,
                                         keys.begin() + std::min(keys.size(), begin + kIdsPerStatement));
    Args args;
    std::string sql = std::string("SELECT ") + key_column + ", local_file_path FROM local_record_data WHERE ";
    sql += OwnerCondition(owner, &args);
    sql += std::string(" AND ") + key_column + " in (" + BindList(chunk, &args) + ")";
    auto statement = Prepare(db, sql, args);
    if (!statement) return false;
    const bool read =
        ForEachRow(*statement, [paths](SQLiteStatement& s) { (*paths)[s.ColumnText(0)] = s.ColumnText(1); });
    if (!read) return false;
  }
  return true;
}

// The columns an update may name: every saved column, never the row id.
const std::set<std::string, std::less<>>& UpdatableColumns() {
  static const std::set<std::string, std::less<>> columns = [] {
    std::set<std::string, std::less<>> names;
    PluginSaveOrUpdateLocalDataReqInfo info;
    VisitLocalRecordColumns(info, [&names](const char* column, auto&) { names.emplace(column); });
    return names;
  }();
  return columns;
}

bool IsColumnValue(const Variant& value) { return value.IsString() || value.IsInteger() || value.IsBool(); }

}  // namespace

void LocalRecordDataHandlers::SaveOrUpdateLocalData(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<PluginSaveOrUpdateLocalDataListReq>(request, "lrKP: SaveOrUpdateLocalDataHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  bool all_ok = true;
  {
    ScopedWriteBatch batch(db);
    for (const auto& item : r->items) {
      if (!HasMainKey(item.app_id, item.app_uid, item.instance_id)) {
        KLOG(3) << "lrKP:  MainKey is empty, not to execute sql.";
        all_ok = false;
        continue;
      }
      // An existing row stays as it is; later changes go through update_local_data_columns.
      if (!Execute(db, InsertSql(), InsertArgs(item))) {
        KLOG(1) << "lrKP: sqlite execute failed. instance_id = " << item.instance_id << ", app_id = " << item.app_id;
        all_ok = false;
      }
    }
  }
  auto answer = std::make_shared<PluginSaveOrUpdateLocalDataListResp>();
  answer->success = all_ok;
  response->SetObject(answer);
  response->SetSuccess(all_ok);
}

void LocalRecordDataHandlers::QueryLocalRecordDataList(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<PluginGetLocalRecordDataListReq>(request, "lrKP: QueryLocalRecordDataListHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql = kSelectAll + OwnerCondition(*r, &args) + " AND data_type = ? ORDER BY start_record_time DESC";
  args.emplace_back(r->data_type);
  sql += PageClause(r->page_size, r->offset, &args);
  KLOG(6) << "lrKP: sql=" << sql;
  AnswerRows(db, sql, args, r->page_size, response);
}

void LocalRecordDataHandlers::UpdateLocalDataColumns(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<SaveOrUpdateLocalDataColumnReqInfo>(request, "lrKP: UpdateLocalDataColumnsHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  if (!HasMainKey(r->app_id, r->app_uid, r->instance_id) || r->columns.empty()) {
    KLOG(3) << "lrKP:  MainKey is empty, not to execute sql.";
    return;
  }
  std::vector<std::string> names;
  Args args;
  for (const auto& [column, value] : r->columns) {
    if (!UpdatableColumns().count(column) || !IsColumnValue(value)) {
      KLOG(1) << "Invalid type";
      return;
    }
    names.push_back(column);
    args.push_back(value);
  }
  const std::string sql = base::database::SQLiteSqlBuilder(local_record_db::kLocalRecordDataTable)
                              .Columns(names)
                              .Where(OwnerCondition(*r, &args) + " AND instance_id = ?")
                              .BuildUpdate();
  args.emplace_back(r->instance_id);
  auto answer = std::make_shared<PluginSaveOrUpdateLocalDataListResp>();
  answer->success = Execute(db, sql, args);
  response->SetObject(answer);
  response->SetSuccess(answer->success);
}

void LocalRecordDataHandlers::DeleteLocalRecordDataByKeyId(const Request& request, const Db& db,
                                                           const Response& response) {
  auto r = RequestObject<PluginDeleteLocalDataReq>(request, "lrKP: DeleteLocalRecordDataByKeyIdHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  const bool ok = DeleteByKey(db, *r);
  KLOG(ok ? 6 : 1) << (ok ? "DeleteLocalRecordDataByKeyIdHandler success" : "DeleteLocalRecordDataByKeyIdHandler fail");
  response->SetSuccess(ok);
}

void LocalRecordDataHandlers::BatchDeleteLocalRecordDataByKeyId(const Request& request, const Db& db,
                                                                const Response& response) {
  auto r = RequestObject<PluginBatchDeleteLocalDataReq>(request, "lrKP: BatchDeleteLocalRecordDataByKeyIdHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  bool ok = true;
  {
    ScopedWriteBatch batch(db);
    for (const auto& item : r->items) ok = DeleteByKey(db, item) && ok;
  }
  KLOG(ok ? 6 : 1) << "BatchDeleteLocalRecordDataByKeyIdHandler " << (ok ? "success!" : "fail!");
  response->SetSuccess(ok);
}

void LocalRecordDataHandlers::QueryLocalRecordDataPaths(const Request& request, const Db& db,
                                                        const Response& response) {
  auto r = RequestObject<PluginQueryLocalDataPathsReq>(request, "lrKP: QueryLocalRecordDataPathsHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  auto statement =
      Prepare(db, "SELECT local_file_path FROM local_record_data WHERE meeting_id = ? AND app_id = ? AND app_uid = ?",
              {Variant(r->meeting_id), Variant(r->app_id), Variant(r->app_uid)});
  if (!statement) return;
  auto answer = std::make_shared<LocalRecordDataPathsResp>();
  if (!ForEachRow(*statement, [&answer](SQLiteStatement& s) { answer->paths.push_back(s.ColumnText(0)); })) return;
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::QueryLocalRecordDataPathsByRecordId(const Request& request, const Db& db,
                                                                  const Response& response) {
  auto r = RequestObject<PluginQueryLocalDataPathsByRecordIdReq>(request,
                                                                 "lrKP: QueryLocalRecordDataPathsByRecordIdHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  auto answer = std::make_shared<LocalRecordDataPathsResp>();
  if (!QueryKeyPaths(db, *r, "record_id", r->record_ids, &answer->key_paths)) return;
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::QueryLocalRecordDataPathsByKeyId(const Request& request, const Db& db,
                                                               const Response& response) {
  auto r = RequestObject<PluginQueryLocalDataPathsByKeyIdReq>(request, "lrKP: QueryLocalRecordDataPathsByKeyIdHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  auto answer = std::make_shared<LocalRecordDataPathsResp>();
  if (!QueryKeyPaths(db, *r, KeyColumn(r->key_kind), r->keys, &answer->key_paths)) return;
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::QueryLocalRecordDataListByStartTime(const Request& request, const Db& db,
                                                                  const Response& response) {
  auto r = RequestObject<PluginGetLocalRecordDataListReq>(request, "lrKP: QueryLocalRecordDataListByStartTimeHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql = kSelectAll + OwnerCondition(*r, &args) +
                    (r->is_newer ? " AND start_record_time > ?" : " AND start_record_time < ?");
  args.emplace_back(r->time);
  sql += TypesClause(r->data_type, &args);
  sql += " ORDER BY start_record_time DESC" + PageClause(r->page_size, r->offset, &args);
  KLOG(6) << "lrKP: sql=" << sql;
  AnswerRows(db, sql, args, r->page_size, response);
}

void LocalRecordDataHandlers::QueryLocalRecordDataListByUpdateTime(const Request& request, const Db& db,
                                                                   const Response& response) {
  auto r = RequestObject<PluginGetLocalRecordDataListReq>(request, "lrKP: QueryLocalRecordDataListByUpdateTimeHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  const char* bound = r->is_newer ? ">=" : "<=";
  std::string sql = kSelectAll + OwnerCondition(*r, &args) + " AND ((finished_time != 0 AND finished_time " + bound +
                    " ? AND finished_time > last_visited_time) OR (last_visited_time != 0 AND last_visited_time " +
                    bound + " ?))";
  args.emplace_back(r->time);
  args.emplace_back(r->time);
  sql += TypesClause(r->data_type, &args);
  sql += " ORDER BY MAX(last_visited_time, finished_time) DESC" + PageClause(r->page_size, r->offset, &args);
  KLOG(6) << "lrKP: sql=" << sql;
  AnswerRows(db, sql, args, r->page_size, response);
}

void LocalRecordDataHandlers::GetMeetingId(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<GetMeetingIdReqInfo>(request, "lrKP: GetMeetingIdHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  const std::string sql = "SELECT meeting_id, period_id FROM local_record_data WHERE " + OwnerCondition(*r, &args) +
                          " AND instance_id = ? ORDER BY start_record_time";
  args.emplace_back(r->instance_id);
  auto statement = Prepare(db, sql, args);
  if (!statement) return;
  auto answer = std::make_shared<GetMeetingIdResp>();
  const auto step = statement->Step();
  if (step == SQLiteStatement::StepResult::kError) return;
  if (step == SQLiteStatement::StepResult::kRow) {
    answer->success = true;
    answer->meeting_id = statement->ColumnText(0);
    answer->period_id = statement->ColumnText(1);
  }
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::GetMeetingRecordList(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<GetMeetingListReqInfo>(request, "lrKP: GetMeetingRecordListHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  const std::string sql =
      kSelectAll + OwnerCondition(*r, &args) + " AND meeting_id = ? AND period_id = ? ORDER BY start_record_time DESC";
  args.emplace_back(r->meeting_id);
  args.emplace_back(r->period_id);
  AnswerRows(db, sql, args, 0, response);
}

void LocalRecordDataHandlers::GetLocalRecordQuantity(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<GetLocalReocrdQuantityInfo>(request, "lrKP: GetLocalRecordQuantityHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql = "SELECT COUNT(*) FROM (SELECT DISTINCT meeting_id, period_id FROM local_record_data WHERE " +
                    OwnerCondition(*r, &args) + " AND data_type = ? AND meeting_id is not null";
  args.emplace_back(r->data_type);
  if (r->only_with_video_md5) sql += " AND video_md5 != ''";
  sql += ")";
  auto statement = Prepare(db, sql, args);
  if (!statement || statement->Step() != SQLiteStatement::StepResult::kRow) return;
  auto answer = std::make_shared<PluginGetLocalReocrdQuantityResp>();
  answer->success = true;
  answer->quantity = statement->ColumnInt64(0);
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::QueryLocalRecordDataListByVisitedTime(const Request& request, const Db& db,
                                                                    const Response& response) {
  auto r = RequestObject<PluginGetRecentLocalRecordDataListReq>(request,
                                                                "lrKP: QueryLocalRecordDataListByVisitedTimeHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql = kSelectAll + OwnerCondition(*r, &args) +
                    (r->is_newer ? " AND last_visited_time > ?" : " AND last_visited_time < ?");
  args.emplace_back(r->time);
  sql += TypesClause(r->data_type, &args);
  sql += " AND video_md5 != '' ORDER BY last_visited_time DESC" + PageClause(r->page_size, r->offset, &args);
  KLOG(6) << "lrKP: sql=" << sql;
  AnswerRows(db, sql, args, r->page_size, response);
}

void LocalRecordDataHandlers::QueryLocalRecordDataListByInstanceIds(const Request& request, const Db& db,
                                                                    const Response& response) {
  auto r = RequestObject<QueryLocalRecordDataListByInstanceIdsReq>(
      request, "lrKP: QueryLocalRecordDataListByInstanceIdsHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  if (r->app_id.empty() || r->app_uid.empty()) {
    KLOG(1) << "lrKP: empty app_id and app_uid";
    return;
  }
  auto page = std::make_shared<LocalRecordDataListResp>();
  if (r->instance_ids.empty()) KLOG(6) << "lrKP: empty instance_ids, return directly.";
  // The ids are bound as `?, ?, ?` lists, in chunks, never quoted into the SQL.
  for (size_t begin = 0; begin < r->instance_ids.size(); begin += kIdsPerStatement) {
    const std::vector<std::string> chunk(
        r->instance_ids.begin() + begin,
        r->instance_ids.begin() + std::min(r->instance_ids.size(), begin + kIdsPerStatement));
    Args args;
    std::string sql = kSelectAll + OwnerCondition(*r, &args);
    sql += " AND instance_id in (" + BindList(chunk, &args) + ")";
    if (!QueryRows(db, sql, args, &page->items)) return;
  }
  response->SetObject(page);
  response->SetSuccess(true);
}

void LocalRecordDataHandlers::UpdateMultiLocalRecordDataShowRedPoint(const Request& request, const Db& db,
                                                                     const Response& response) {
  auto r = RequestObject<UpdateMultiLocalRecordDataShowRedPointReq>(
      request, "lrKP: UpdateMultiLocalRecordDataShowRedPointHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  bool ok = true;
  {
    ScopedWriteBatch batch(db);
    for (const auto& instance_id : r->instance_ids) {
      Args args{Variant(r->show_red_point)};
      const std::string sql =
          "UPDATE local_record_data SET show_red_point = ? WHERE " + OwnerCondition(*r, &args) + " AND instance_id = ?";
      args.emplace_back(instance_id);
      ok = Execute(db, sql, args) && ok;
    }
  }
  response->SetSuccess(ok);
}

void LocalRecordDataHandlers::QueryLocalRecordDatas(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<DbQueryLocalRecordDatasReq>(request, "lrKP: QueryLocalRecordDatasHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  if (r->condition_type != kLocalRecordConditionMeetingBeginTime) {
    KLOG(1) << "Invalid condition type.";
    return;
  }
  auto answer = std::make_shared<DbQueryLocalRecordDatasResp>();
  if (r->meeting_id.empty()) {
    KLOG(6) << "Empty meeting id, return directly.";
    answer->success = true;
    response->SetObject(answer);
    response->SetSuccess(true);
    return;
  }
  Args args;
  const std::string sql = kSelectAll + OwnerCondition(*r, &args) +
                          " AND meeting_id = ? AND period_id = ? AND start_record_time >= ? AND start_record_time <= ?"
                          " ORDER BY start_record_time";
  args.insert(args.end(),
              {Variant(r->meeting_id), Variant(r->period_id), Variant(r->begin_time_from), Variant(r->begin_time_to)});
  if (!QueryRows(db, sql, args, &answer->items)) return;
  answer->success = true;
  response->SetObject(answer);
  response->SetSuccess(true);
}

}  // namespace quick_record
