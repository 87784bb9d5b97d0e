#include "module/quick_record/data/db/historical_local_record_handlers.h"

#include "host/base/json/json_value.h"
#include "module/quick_record/data/db/db_handler_support.h"

namespace quick_record {

using namespace db_handler;  // NOLINT: the handlers' shared vocabulary
using base::variant::Variant;

namespace {

constexpr char kTable[] = "historical_meetings_new";
constexpr char kSelectMeetings[] =
    "SELECT app_id, app_uid, meeting_id, period_id, meeting_code, meeting_subject, meeting_join_time, "
    "meeting_screen_record_files FROM historical_meetings_new WHERE ";

void LogTable(const HistoricalLocalRecordHandlers::Dbs& dbs) {
  if (!base::logging::IsOn(6)) return;
  std::string list;
  for (const auto& db : dbs) list += (list.empty() ? "" : ", ") + (db ? db->path() : std::string("null"));
  KLOG(6) << "hlrKP: table = " << kTable << ", db list = [" << list << "]";
}

// The database that holds the meetings; null when none is usable. `*has_table` is false when the
// databases are open but none holds the table.
std::shared_ptr<SQLiteDatabase> MeetingDb(const HistoricalLocalRecordHandlers::Dbs& dbs, bool* has_table) {
  LogTable(dbs);
  *has_table = false;
  std::shared_ptr<SQLiteDatabase> open;
  for (const auto& db : dbs) {
    if (!db) continue;
    open = db;
    if (db->TableExists(kTable)) {
      *has_table = true;
      return db;
    }
  }
  if (!open) KLOG(1) << "lrKP: invalid db[" << kTable << "]";
  return open;
}

bool QueryMeetings(const std::shared_ptr<SQLiteDatabase>& db, const std::string& sql, const Args& args,
                   std::vector<PluginHistoryLocalRecordInfo>* rows) {
  auto statement = Prepare(db, sql, args);
  if (!statement) return false;
  return ForEachRow(*statement, [rows](SQLiteStatement& s) {
    PluginHistoryLocalRecordInfo row;
    row.app_id = s.ColumnText(0);
    row.app_uid = s.ColumnText(1);
    row.meeting_id = s.ColumnText(2);
    row.period_id = s.ColumnText(3);
    row.meeting_code = s.ColumnText(4);
    row.meeting_subject = s.ColumnText(5);
    row.meeting_join_time = s.ColumnInt64(6);
    row.meeting_screen_record_files = s.ColumnText(7);
    rows->push_back(std::move(row));
  });
}

// Answers the meetings of `sql`; a history without the table answers no meetings.
void AnswerMeetings(const HistoricalLocalRecordHandlers::Dbs& dbs, const std::string& sql, const Args& args,
                    int64_t page_size, const std::shared_ptr<DataRouteResponsePacket>& response) {
  bool has_table = false;
  auto db = MeetingDb(dbs, &has_table);
  if (!db) return;
  auto answer = std::make_shared<HistoricalLocalRecordListResp>();
  if (has_table && !QueryMeetings(db, sql, args, &answer->items)) return;
  answer->has_more = page_size > 0 && answer->items.size() > static_cast<size_t>(page_size);
  response->SetObject(answer);
  response->SetSuccess(true);
}

// Removes one file from a meeting's record files; false when the meeting's files are not JSON.
bool RemoveRecordFile(const std::shared_ptr<SQLiteDatabase>& db, const PluginLocalRecordReqInfo& r) {
  Args args;
  const std::string where = OwnerCondition(r, &args) + " AND meeting_id = ? AND period_id = ?";
  args.insert(args.end(), {Variant(r.meeting_id), Variant(r.period_id)});
  auto read = Prepare(db, std::string("SELECT meeting_screen_record_files FROM ") + kTable + " WHERE " + where, args);
  if (!read || read->Step() != SQLiteStatement::StepResult::kRow) return false;
  const auto files = base::json::JsonValue::Parse(read->ColumnText(0));
  if (!files.IsObject()) {
    KLOG(1) << "lrKP: invalid json string.";
    return false;
  }
  // Rebuilt with every member except the named one.
  base::json::JsonValue kept = base::json::JsonValue::Object();
  files.ForEachMember([&](const std::string& key, const base::json::JsonValue& value) {
    if (key != r.local_file_path) kept.SetJsonObject(key, value);
  });
  Args update{Variant(kept.ToCompactString())};
  update.insert(update.end(), args.begin(), args.end());
  return Execute(db, std::string("UPDATE ") + kTable + " SET meeting_screen_record_files = ? WHERE " + where, update);
}

}  // namespace

void HistoricalLocalRecordHandlers::QueryHistoricalLocalRecordDataList(const Request& request, const Dbs& dbs,
                                                                       const Response& response) {
  auto r = RequestObject<PluginGetHistoricalLocalRecordListReq>(request, "hlrKP: QueryHistoricalLocalRecordDataList");
  if (!r) return;
  Args args;
  std::string sql = kSelectMeetings + OwnerCondition(*r, &args);
  sql += " AND meeting_screen_record_files is not null ORDER BY meeting_join_time DESC" +
         PageClause(r->page_size, r->offset, &args);
  KLOG(6) << "lrKP: sql=" << sql;
  AnswerMeetings(dbs, sql, args, r->page_size, response);
}

void HistoricalLocalRecordHandlers::QueryHistoricalLocalRecordDetails(const Request& request, const Dbs& dbs,
                                                                      const Response& response) {
  auto r = RequestObject<PluginQueryHistoricalLocalRecordDetailsReqInfo>(request,
                                                                         "hlrKP: QueryHistoricalLocalRecordDetails");
  if (!r) return;
  bool has_table = false;
  auto db = MeetingDb(dbs, &has_table);
  if (!db || !has_table) return;
  Args args;
  const std::string sql = std::string("SELECT meeting_screen_record_files FROM ") + kTable + " WHERE " +
                          OwnerCondition(*r, &args) + " AND meeting_id = ? AND period_id = ?";
  args.insert(args.end(), {Variant(r->meeting_id), Variant(r->period_id)});
  auto statement = Prepare(db, sql, args);
  if (!statement || statement->Step() != SQLiteStatement::StepResult::kRow) return;
  auto answer = std::make_shared<PluginQueryHistoricalLocalRecordDetailsRespInfo>();
  answer->meeting_screen_record_files = statement->ColumnText(0);
  response->SetObject(answer);
  response->SetSuccess(true);
}

void HistoricalLocalRecordHandlers::DeleteLocalRecordInfo(const Request& request, const Dbs& dbs,
                                                          const Response& response) {
  auto r = RequestObject<PluginLocalRecordReqInfo>(request, "hlrKP: DeleteLocalRecordInfo");
  if (!r) return;
  bool has_table = false;
  auto db = MeetingDb(dbs, &has_table);
  response->SetSuccess(db && has_table && RemoveRecordFile(db, *r));
}

void HistoricalLocalRecordHandlers::BatchDeleteLocalRecordInfo(const Request& request, const Dbs& dbs,
                                                               const Response& response) {
  auto r = RequestObject<PluginBatchLocalRecordReqInfo>(request, "hlrKP: BatchDeleteLocalRecordInfo");
  if (!r) return;
  bool has_table = false;
  auto db = MeetingDb(dbs, &has_table);
  if (!db || !has_table) return;
  bool ok = true;
  {
    ScopedWriteBatch batch(db);
    for (const auto& item : r->items) ok = RemoveRecordFile(db, item) && ok;
  }
  response->SetSuccess(ok);
}

void HistoricalLocalRecordHandlers::OldGetMigrateState(const Request&, const Dbs& dbs, const Response& response) {
  LogTable(dbs);
  std::shared_ptr<SQLiteDatabase> db;
  for (const auto& candidate : dbs) {
    if (candidate) db = candidate;
  }
  if (!db) {
    KLOG(1) << "lrKP: invalid db[" << kTable << "]";
    return;
  }
  auto answer = std::make_shared<MigrateStateResp>();
  answer->state = static_cast<uint32_t>(db->GetUserVersion());
  response->SetObject(answer);
  response->SetSuccess(true);
}

void HistoricalLocalRecordHandlers::QueryHistoricalLocalRecordNum(const Request& request, const Dbs& dbs,
                                                                  const Response& response) {
  auto r = RequestObject<GetLocalReocrdQuantityInfo>(request, "hlrKP: QueryHistoricalLocalRecordNum");
  if (!r) return;
  bool has_table = false;
  auto db = MeetingDb(dbs, &has_table);
  if (!db) return;
  auto answer = std::make_shared<PluginGetLocalReocrdQuantityResp>();
  if (has_table) {
    Args args;
    auto statement = Prepare(db,
                             std::string("SELECT COUNT(*) FROM ") + kTable + " WHERE " + OwnerCondition(*r, &args) +
                                 " AND meeting_screen_record_files is not null AND cast(meeting_screen_record_files as "
                                 "char) != 'null' AND cast(meeting_screen_record_files as char) != ''",
                             args);
    if (!statement || statement->Step() != SQLiteStatement::StepResult::kRow) return;
    answer->quantity = statement->ColumnInt64(0);
  }
  answer->success = true;
  response->SetObject(answer);
  response->SetSuccess(true);
}

void HistoricalLocalRecordHandlers::QueryHistoricalLocalRecordDatas(const Request& request, const Dbs& dbs,
                                                                    const Response& response) {
  auto r = RequestObject<DbQueryLocalRecordDatasReq>(request, "hlrKP: QueryHistoricalLocalRecordDatas");
  if (!r) return;
  Args args;
  const std::string sql = kSelectMeetings + OwnerCondition(*r, &args) + " AND meeting_id = ? AND period_id = ?";
  args.insert(args.end(), {Variant(r->meeting_id), Variant(r->period_id)});
  AnswerMeetings(dbs, sql, args, 0, response);
}

}  // namespace quick_record
