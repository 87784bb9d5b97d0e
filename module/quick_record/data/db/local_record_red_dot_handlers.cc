#include "module/quick_record/data/db/local_record_red_dot_handlers.h"

#include "host/base/database/sqlite_sql_builder.h"
#include "module/quick_record/data/db/db_handler_support.h"

namespace quick_record {

using namespace db_handler;  // NOLINT: the handlers' shared vocabulary
using base::variant::Variant;

namespace {

constexpr char kDbName[] = "local_record_data";

constexpr char kSaveRedDotSql[] =
    "INSERT OR REPLACE INTO local_record_red_dot(app_id, app_uid, instance_id, meeting_id, period_id, data_type, "
    "state) VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT(app_id,app_uid,instance_id) DO UPDATE SET meeting_id = ?, "
    "period_id = ?, data_type = ?, state = ?";

constexpr char kRedDotNumSql[] =
    "select count(distinct case when state = ? and data_type = ? then instance_id end) as local_record_handling_cnt, "
    "count(distinct case when state = ? and data_type = ? then instance_id end) as quick_record_handling_cnt, "
    "count(distinct case when state = ? and data_type = ? then instance_id end) as local_record_finished_cnt "
    "from local_record_red_dot where app_id = ? and app_uid = ?";

}  // namespace

void LocalRecordRedDotHandlers::QuerySyncStatus(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<QuerySyncStatusInfo>(request, "lrKP: QuerySyncStatusHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  auto statement =
      Prepare(db, "SELECT is_sync_success, sync_version FROM sync_record WHERE " + OwnerCondition(*r, &args), args);
  if (!statement) return;
  auto answer = std::make_shared<QuerySyncStatusInfoResp>();
  const auto step = statement->Step();
  if (step == SQLiteStatement::StepResult::kError) return;
  answer->success = true;
  if (step == SQLiteStatement::StepResult::kRow) {
    answer->has_record = true;
    answer->is_sync_success = statement->ColumnBool(0);
    answer->sync_version = statement->ColumnInt64(1);
  }
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordRedDotHandlers::UpdateSyncStatus(const Request& request, const Db& db, const Response& response) {
  auto r = RequestObject<UpdateSyncStatusInfo>(request, "lrKP: UpdateSyncStatusHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  if (r->app_id.empty() || r->app_uid.empty()) {
    KLOG(3) << "lrKP:  MainKey is empty, not to execute sql.";
    return;
  }
  const bool ok =
      Execute(db,
              "INSERT OR REPLACE INTO sync_record(app_id, app_uid, is_sync_success, sync_version) VALUES "
              "(?, ?, ?, ?)",
              {Variant(r->app_id), Variant(r->app_uid), Variant(r->is_sync_success), Variant(r->sync_version)});
  response->SetSuccess(ok);
}

void LocalRecordRedDotHandlers::SaveOrUpdateLocalRecordRedDotData(const Request& request, const Db& db,
                                                                  const Response& response) {
  auto r = RequestObject<DbSaveOrUpdateLocalRecordRedDotListReq>(request,
                                                                 "lrrdKP: SaveOrUpdateLocalRecordRedDotDataHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  bool ok = true;
  {
    ScopedWriteBatch batch(db);
    for (const auto& item : r->items) {
      if (item.app_id.empty() || item.app_uid.empty() || item.instance_id.empty()) {
        KLOG(3) << "lrrdKP: MainKey is empty, not to execute sql.";
        ok = false;
        continue;
      }
      ok = Execute(db, kSaveRedDotSql,
                   {Variant(item.app_id), Variant(item.app_uid), Variant(item.instance_id), Variant(item.meeting_id),
                    Variant(item.period_id), Variant(item.data_type), Variant(item.state), Variant(item.meeting_id),
                    Variant(item.period_id), Variant(item.data_type), Variant(item.state)}) &&
           ok;
    }
  }
  response->SetSuccess(ok);
}

void LocalRecordRedDotHandlers::DeleteLocalRecordRedDotData(const Request& request, const Db& db,
                                                            const Response& response) {
  auto r = RequestObject<DbDeleteLocalRecordRedDotReq>(request, "lrrdKP: DeleteLocalRecordRedDotDataHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql = "DELETE FROM local_record_red_dot WHERE " + OwnerCondition(*r, &args);
  if (r->by_meeting) {
    sql += " AND meeting_id = ? AND period_id = ?";
    args.insert(args.end(), {Variant(r->meeting_id), Variant(r->period_id)});
  } else {
    sql += " AND instance_id = ?";
    args.emplace_back(r->instance_id);
  }
  const bool ok = Execute(db, sql, args);
  KLOG(ok ? 6 : 1) << (ok ? "lrrdKP: delete red dot success." : "lrrdKP: delete red dot failed.");
  response->SetSuccess(ok);
}

void LocalRecordRedDotHandlers::DeleteAllFinishedLocalRecordRedDotData(const Request& request, const Db& db,
                                                                       const Response& response) {
  auto r = RequestObject<DbOperateCommonReq>(request, "lrrdKP: DeleteAllFinishedLocalRecordRedDotDataHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  const std::string sql = "DELETE FROM local_record_red_dot WHERE " + OwnerCondition(*r, &args) + " AND state = ?";
  args.emplace_back(int64_t{kRedDotStateFinished});
  response->SetSuccess(Execute(db, sql, args));
}

void LocalRecordRedDotHandlers::QueryLocalRecordRedDotDataNum(const Request& request, const Db& db,
                                                              const Response& response) {
  auto r = RequestObject<DbOperateCommonReq>(request, "lrrdKP: QueryLocalRecordRedDotDataNumHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  const Args args{Variant(int64_t{kRedDotStateHandling}),
                  Variant(kLocalDataTypeMeetingRecord),
                  Variant(int64_t{kRedDotStateHandling}),
                  Variant(kLocalDataTypeQuickRecord),
                  Variant(int64_t{kRedDotStateFinished}),
                  Variant(kLocalDataTypeMeetingRecord),
                  Variant(r->app_id),
                  Variant(r->app_uid)};
  KLOG(6) << "lrrdKP: sql=" << kRedDotNumSql;
  auto statement = Prepare(db, kRedDotNumSql, args);
  if (!statement || statement->Step() != SQLiteStatement::StepResult::kRow) return;
  auto answer = std::make_shared<DbQueryLocalRecordRedDotNumResp>();
  answer->success = true;
  answer->local_record_handling_cnt = statement->ColumnInt64(0);
  answer->quick_record_handling_cnt = statement->ColumnInt64(1);
  answer->local_record_finished_cnt = statement->ColumnInt64(2);
  response->SetObject(answer);
  response->SetSuccess(true);
}

void LocalRecordRedDotHandlers::QueryLocalRecordRedDotDatas(const Request& request, const Db& db,
                                                            const Response& response) {
  auto r = RequestObject<DbQueryLocalRecordRedDotDatasReq>(request, "lrrdKP: QueryLocalRecordRedDotDatasHandler");
  if (!r || !UsableDb(db, kDbName)) return;
  Args args;
  std::string sql =
      "SELECT app_id, app_uid, instance_id, meeting_id, period_id, data_type, state FROM local_record_red_dot WHERE " +
      OwnerCondition(*r, &args);
  if (r->data_type != kLocalDataTypeBoth) {
    sql += " AND data_type = ?";
    args.emplace_back(r->data_type);
  }
  if (!r->states.empty()) {
    sql += " AND state in (" + base::database::SQLiteSqlBuilder::Placeholders(r->states.size()) + ")";
    for (int64_t state : r->states) args.emplace_back(state);
  }
  auto statement = Prepare(db, sql, args);
  if (!statement) return;
  auto answer = std::make_shared<LocalRecordRedDotListResp>();
  const bool read = ForEachRow(*statement, [&answer](SQLiteStatement& s) {
    LocalRecordRedDotData row;
    row.app_id = s.ColumnText(0);
    row.app_uid = s.ColumnText(1);
    row.instance_id = s.ColumnText(2);
    row.meeting_id = s.ColumnText(3);
    row.period_id = s.ColumnText(4);
    row.data_type = s.ColumnInt64(5);
    row.state = s.ColumnInt64(6);
    answer->items.push_back(std::move(row));
  });
  if (!read) return;
  KLOG(6) << "Finished query local record red dot, size: " << answer->items.size();
  response->SetObject(answer);
  response->SetSuccess(true);
}

}  // namespace quick_record
