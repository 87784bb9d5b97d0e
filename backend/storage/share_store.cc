#include "storage/share_store.h"

#include "common/crypto.h"
#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kSettingsColumns[] =
    "uni_record_id, share_id, switch_state, point_id, group_id, access_id, expired_time, "
    "expired_time_type, download_enable, view_minutes_enable, password, invite_join_state";

}  // namespace

ShareSettings ShareStore::Peek(const std::string& uni_record_id) const {
  auto rows = db_.Query(
      std::string("SELECT ") + kSettingsColumns + " FROM share_settings WHERE uni_record_id = ?",
      {uni_record_id});
  ShareSettings settings;
  settings.uni_record_id = uni_record_id;
  if (rows && !rows->empty()) {
    const SqlRow& r = rows->front();
    settings = ShareSettings{r.Text(0),     r.Text(1),     r.Int(2) != 0, r.Int(3),
                             r.Int(4),      r.Int(5),      r.Int(6),      r.Int(7),
                             r.Int(8) != 0, r.Int(9) != 0, r.Text(10),    r.Int(11) != 0};
  }
  return settings;
}

std::optional<ShareSettings> ShareStore::Settings(const std::string& uni_record_id) {
  std::optional<ShareSettings> settings;
  const bool ok = db_.Transaction([&] {
    settings = Peek(uni_record_id);
    if (!settings->share_id.empty()) return true;
    settings->share_id = RandomHex(10);
    return Save(*settings);
  });
  return ok ? settings : std::nullopt;
}

bool ShareStore::Save(const ShareSettings& s) {
  return db_
      .Exec(std::string("INSERT OR REPLACE INTO share_settings(") + kSettingsColumns +
                ") VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {s.uni_record_id, s.share_id, int64_t{s.switch_state}, s.point_id, s.group_id,
             s.access_id, s.expired_time, s.expired_time_type, int64_t{s.download_enable},
             int64_t{s.view_minutes_enable}, s.password, int64_t{s.invite_join_state}})
      .ok;
}

std::optional<std::string> ShareStore::RecordOfShare(const std::string& share_id) const {
  auto rows = db_.Query("SELECT uni_record_id FROM share_settings WHERE share_id = ?", {share_id});
  if (!rows || rows->empty()) return std::nullopt;
  return rows->front().Text(0);
}

std::optional<RecordMember> ShareStore::Member(const std::string& uni_record_id,
                                               const std::string& app_uid) const {
  auto rows = db_.Query(
      "SELECT app_uid, permission_id, is_assigner FROM record_members "
      "WHERE uni_record_id = ? AND app_uid = ?",
      {uni_record_id, app_uid});
  if (!rows || rows->empty()) return std::nullopt;
  return RecordMember{rows->front().Text(0), rows->front().Int(1), rows->front().Int(2) != 0};
}

std::vector<RecordMember> ShareStore::Members(const std::string& uni_record_id) const {
  std::vector<RecordMember> members;
  auto rows = db_.Query(
      "SELECT app_uid, permission_id, is_assigner FROM record_members WHERE uni_record_id = ? "
      "ORDER BY updated_at, app_uid",
      {uni_record_id});
  if (rows) {
    for (const SqlRow& row : *rows) {
      members.push_back({row.Text(0), row.Int(1), row.Int(2) != 0});
    }
  }
  return members;
}

bool ShareStore::Upsert(const std::string& uni_record_id, const std::string& app_uid,
                        const char* column, int64_t value, int64_t now) {
  // `column` is one of our two column names, never client text.
  const std::string name = column;
  return db_.Transaction([&] {
    return db_.Exec(
               "INSERT OR IGNORE INTO record_members(uni_record_id, app_uid, permission_id, "
               "is_assigner, updated_at) VALUES(?, ?, 0, 0, ?)",
               {uni_record_id, app_uid, now}) &&
           db_.Exec("UPDATE record_members SET " + name +
                        " = ?, updated_at = ? "
                        "WHERE uni_record_id = ? AND app_uid = ?",
                    {value, now, uni_record_id, app_uid}) &&
           db_.Exec(
               "DELETE FROM record_members WHERE uni_record_id = ? AND app_uid = ? AND "
               "permission_id = 0 AND is_assigner = 0",
               {uni_record_id, app_uid});
  });
}

bool ShareStore::SetPermission(const std::string& uni_record_id, const std::string& app_uid,
                               int64_t permission_id, int64_t now) {
  return Upsert(uni_record_id, app_uid, "permission_id", permission_id, now);
}

bool ShareStore::SetAssigner(const std::string& uni_record_id, const std::string& app_uid,
                             bool is_assigner, int64_t now) {
  return Upsert(uni_record_id, app_uid, "is_assigner", is_assigner ? 1 : 0, now);
}

bool ShareStore::AddAccessRequest(const std::string& unique_id, const std::string& uni_record_id,
                                  const std::string& app_uid, const std::string& subject,
                                  const std::string& reason, int64_t now) {
  return db_
      .Exec(
          "INSERT INTO access_requests(unique_id, uni_record_id, app_uid, subject, reason, "
          "created_at) VALUES(?, ?, ?, ?, ?, ?)",
          {unique_id, uni_record_id, app_uid, subject, reason, now})
      .ok;
}

bool ShareStore::AddLinkVisitor(const std::string& uni_record_id, const std::string& app_uid,
                                int64_t now) {
  return db_
      .Exec(
          "INSERT OR REPLACE INTO link_visitors(uni_record_id, app_uid, visited_at) "
          "VALUES(?, ?, ?)",
          {uni_record_id, app_uid, now})
      .ok;
}

bool ShareStore::IsLinkVisitor(const std::string& uni_record_id, const std::string& app_uid) const {
  auto rows = db_.Query("SELECT 1 FROM link_visitors WHERE uni_record_id = ? AND app_uid = ?",
                        {uni_record_id, app_uid});
  return rows && !rows->empty();
}

bool ShareStore::ForgetLinkVisitors(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM link_visitors WHERE uni_record_id = ?", {uni_record_id}).ok;
}

bool ShareStore::ForgetRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM share_settings WHERE uni_record_id = ?", {uni_record_id}).ok &&
         ForgetLinkVisitors(uni_record_id) &&
         db_.Exec("DELETE FROM record_members WHERE uni_record_id = ?", {uni_record_id}).ok &&
         db_.Exec("DELETE FROM access_requests WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
