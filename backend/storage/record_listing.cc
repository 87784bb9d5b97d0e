#include "storage/record_listing.h"

#include "common/database.h"

namespace qr_backend {

// A source of records with its sort key and tie breaker.
struct RecordListing::Arm {
  std::string key;
  std::string tie;
  std::string from;  // "<tables> WHERE <condition>"
  SqlParams params;
};

namespace {

// Whether a record of a snapshot still belongs to the viewer's list (a grant may have been
// taken back, a recent entry removed), with its parameters.
std::pair<std::string, SqlParams> StillListed(const ListRequest& request) {
  const std::string& viewer = request.viewer_uid;
  if (request.scope == ListScope::kRecent) {
    return {
        "EXISTS (SELECT 1 FROM record_views v WHERE v.app_uid = ? AND "
        "v.uni_record_id = r.uni_record_id)",
        {viewer}};
  }
  return {
      "(r.owner_uid = ? OR EXISTS (SELECT 1 FROM record_members m WHERE "
      "m.uni_record_id = r.uni_record_id AND m.app_uid = ? AND "
      "(m.permission_id > 0 OR m.is_assigner = 1)))",
      {viewer, viewer}};
}

// The first `limit` rows (of limit + 1 asked for) as a page. Each row holds two cursor columns
// and then the record's; `cursor_of` reads the cursor.
template <typename CursorOf>
ListPage PageOf(const std::vector<SqlRow>& rows, int64_t total, int64_t limit, CursorOf cursor_of) {
  ListPage page;
  page.total = total;
  page.has_more = static_cast<int64_t>(rows.size()) > limit;
  for (size_t i = 0; i < rows.size() && static_cast<int64_t>(i) < limit; ++i) {
    page.items.push_back({cursor_of(rows[i]), RecordFromRow(rows[i], 2)});
  }
  return page;
}

}  // namespace

bool RecordListing::KeyMoves(ListScope scope) {
  return scope == ListScope::kAll || scope == ListScope::kRecent;
}

std::string RecordListing::FilterOf(const ListRequest& request) {
  std::string filter = std::to_string(static_cast<int>(request.scope));
  for (const std::string& kind : request.kinds) filter += "|" + kind;
  return filter;
}

std::vector<RecordListing::Arm> RecordListing::ArmsOf(const ListRequest& request) {
  // Every arm filters (and, paged by keyset, starts after the cursor) itself and walks an index
  // in key order, so SQLite merges the arms instead of sorting the whole list.
  const std::string& viewer = request.viewer_uid;
  std::vector<Arm> arms;
  switch (request.scope) {
    case ListScope::kMine:
      arms.push_back(
          {"r.created_at", "r.uni_record_id", "records r WHERE r.owner_uid = ?", {viewer}});
      break;
    case ListScope::kAll:
      arms.push_back(
          {"r.updated_at", "r.uni_record_id", "records r WHERE r.owner_uid = ?", {viewer}});
      arms.push_back({"r.updated_at",
                      "r.uni_record_id",
                      "record_members m JOIN records r ON r.uni_record_id = m.uni_record_id "
                      "WHERE m.app_uid = ? AND (m.permission_id > 0 OR m.is_assigner = 1) AND "
                      "r.owner_uid <> ?",
                      {viewer, viewer}});
      break;
    case ListScope::kRecent:
      arms.push_back({"v.viewed_at",
                      "v.uni_record_id",
                      "record_views v JOIN records r ON r.uni_record_id = v.uni_record_id "
                      "WHERE v.app_uid = ?",
                      {viewer}});
      break;
    case ListScope::kMeeting:
      arms.push_back({"r.created_at",
                      "r.uni_record_id",
                      "record_meetings mt JOIN records r ON r.uni_record_id = mt.uni_record_id "
                      "WHERE mt.meeting_id = ? AND (? = '' OR mt.sub_meeting_id = ?)",
                      {request.meeting_id, request.sub_meeting_id, request.sub_meeting_id}});
      break;
  }
  for (Arm& arm : arms) {
    if (request.kinds.empty()) continue;
    arm.from += " AND r.record_type IN (";
    for (size_t i = 0; i < request.kinds.size(); ++i) {
      arm.from += i == 0 ? "?" : ", ?";
      arm.params.emplace_back(request.kinds[i]);
    }
    arm.from += ")";
  }
  return arms;
}

std::optional<ListPage> RecordListing::Page(const ListRequest& request, int64_t now_seconds) {
  if (!KeyMoves(request.scope)) return Keyset(request);
  if (!request.after) {
    const auto snapshot = TakeSnapshot(request, now_seconds);
    if (!snapshot) return std::nullopt;
    return FromSnapshot(request, *snapshot, 0);
  }
  if (request.after->snapshot_id != 0 && SnapshotUsable(request, request.after->snapshot_id)) {
    return FromSnapshot(request, request.after->snapshot_id, request.after->position);
  }
  return Keyset(request);
}

std::optional<int64_t> RecordListing::Count(const ListRequest& request) const {
  std::string sql;
  SqlParams params;
  for (const Arm& arm : ArmsOf(request)) {
    sql +=
        (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT COUNT(*) AS n FROM ") + arm.from;
    params.insert(params.end(), arm.params.begin(), arm.params.end());
  }
  auto rows = db_.Query("SELECT SUM(n) FROM (" + sql + ")", params);
  if (!rows || rows->empty()) return std::nullopt;
  return rows->front().Int(0);
}

std::optional<ListPage> RecordListing::Keyset(const ListRequest& request) const {
  const auto total = Count(request);
  if (!total) return std::nullopt;
  std::string sql;
  SqlParams params;
  for (const Arm& arm : ArmsOf(request)) {
    sql += (sql.empty() ? "" : " UNION ALL ") + std::string("SELECT ") + arm.key + ", " + arm.tie +
           ", " + QualifiedRecordColumns() + " FROM " + arm.from;
    params.insert(params.end(), arm.params.begin(), arm.params.end());
    if (request.after) {
      sql += " AND (" + arm.key + ", " + arm.tie + ") < (?, ?)";
      params.insert(params.end(), {request.after->key, request.after->uni_record_id});
    }
  }
  sql += " ORDER BY 1 DESC, 2 DESC LIMIT ?";
  params.emplace_back(request.limit + 1);  // one more tells whether a next page exists
  auto rows = db_.Query(sql, params);
  if (!rows) return std::nullopt;
  return PageOf(*rows, *total, request.limit, [](const SqlRow& row) {
    return ListCursor{row.Int(0), row.Text(1)};
  });
}

std::optional<int64_t> RecordListing::TakeSnapshot(const ListRequest& request,
                                                   int64_t now_seconds) {
  const std::string& viewer = request.viewer_uid;
  // Old snapshots first: past their lifetime, and beyond the newest few of this user.
  const bool pruned =
      db_.Exec(
          "DELETE FROM list_snapshot_rows WHERE snapshot_id IN (SELECT id FROM "
          "list_snapshots WHERE created_at < ? OR (app_uid = ? AND id NOT IN (SELECT id "
          "FROM list_snapshots WHERE app_uid = ? ORDER BY id DESC LIMIT ?)))",
          {now_seconds - kSnapshotSeconds, viewer, viewer, kSnapshotsPerUser - 1}) &&
      db_.Exec(
          "DELETE FROM list_snapshots WHERE created_at < ? OR (app_uid = ? AND id NOT IN "
          "(SELECT id FROM list_snapshots WHERE app_uid = ? ORDER BY id DESC LIMIT ?))",
          {now_seconds - kSnapshotSeconds, viewer, viewer, kSnapshotsPerUser - 1});
  if (!pruned) return std::nullopt;
  const auto created =
      db_.Exec("INSERT INTO list_snapshots(app_uid, filter, created_at) VALUES(?, ?, ?)",
               {viewer, FilterOf(request), now_seconds});
  if (!created) return std::nullopt;
  const int64_t snapshot_id = created.last_insert_id;

  std::string order_sql;
  SqlParams params{snapshot_id};
  for (const Arm& arm : ArmsOf(request)) {
    order_sql += (order_sql.empty() ? "" : " UNION ALL ") + std::string("SELECT ") + arm.key +
                 " AS k, " + arm.tie + " AS u FROM " + arm.from;
    params.insert(params.end(), arm.params.begin(), arm.params.end());
  }
  const ExecResult copied = db_.Exec(
      "INSERT INTO list_snapshot_rows(snapshot_id, position, uni_record_id, sort_key) "
      "SELECT ?, ROW_NUMBER() OVER (ORDER BY k DESC, u DESC), u, k FROM (" +
          order_sql + ")",
      params);
  if (!copied) return std::nullopt;
  return snapshot_id;
}

bool RecordListing::SnapshotUsable(const ListRequest& request, int64_t snapshot_id) const {
  // A snapshot serves only the user and the list (scope and kinds) it was taken for.
  auto rows = db_.Query("SELECT 1 FROM list_snapshots WHERE id = ? AND app_uid = ? AND filter = ?",
                        {snapshot_id, request.viewer_uid, FilterOf(request)});
  return rows && !rows->empty();
}

std::optional<ListPage> RecordListing::FromSnapshot(const ListRequest& request, int64_t snapshot_id,
                                                    int64_t after_position) const {
  // "count" is the list as it is now: what the client would see on a fresh first page.
  const auto total = Count(request);
  if (!total) return std::nullopt;
  const auto [listed, listed_params] = StillListed(request);
  SqlParams params{snapshot_id, after_position};
  params.insert(params.end(), listed_params.begin(), listed_params.end());
  params.emplace_back(request.limit + 1);
  auto rows = db_.Query("SELECT s.position, s.sort_key, " + QualifiedRecordColumns() +
                            " FROM list_snapshot_rows s JOIN records r ON "
                            "r.uni_record_id = s.uni_record_id WHERE s.snapshot_id = ? AND "
                            "s.position > ? AND " +
                            listed + " ORDER BY s.position LIMIT ?",
                        params);
  if (!rows) return std::nullopt;
  return PageOf(*rows, *total, request.limit, [&](const SqlRow& row) {
    return ListCursor{row.Int(1), row.Text(2), snapshot_id, row.Int(0)};
  });
}

}  // namespace qr_backend
