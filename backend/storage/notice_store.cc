#include "storage/notice_store.h"

#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kColumns[] =
    "id, app_uid, path, type, uni_record_id, author_uid, content, video_elapsed, comment_id, "
    "reply_id, reply_to_uid, unread, created_at";

Notice FromRow(const SqlRow& r) {
  Notice n;
  n.id = r.Int(0);
  n.app_uid = r.Text(1);
  n.path = r.Text(2);
  n.type = static_cast<int>(r.Int(3));
  n.uni_record_id = r.Text(4);
  n.author_uid = r.Text(5);
  n.content = r.Text(6);
  n.video_elapsed = r.Int(7);
  n.comment_id = r.Text(8);
  n.reply_id = r.Text(9);
  n.reply_to_uid = r.Text(10);
  n.unread = r.Int(11) != 0;
  n.created_at = r.Int(12);
  return n;
}

}  // namespace

std::optional<int64_t> NoticeStore::Add(const Notice& n) {
  auto result = db_.Exec(
      "INSERT INTO notices(app_uid, path, type, uni_record_id, author_uid, content, "
      "video_elapsed, comment_id, reply_id, reply_to_uid, unread, created_at) "
      "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {n.app_uid, n.path, int64_t{n.type}, n.uni_record_id, n.author_uid, n.content,
       n.video_elapsed, n.comment_id, n.reply_id, n.reply_to_uid, int64_t{n.unread}, n.created_at});
  if (!result) return std::nullopt;
  return result.last_insert_id;
}

std::vector<Notice> NoticeStore::List(const std::string& app_uid, int64_t before_id,
                                      int64_t limit) const {
  auto rows = db_.Query(std::string("SELECT ") + kColumns +
                            " FROM notices WHERE app_uid = ? AND (? = 0 OR id < ?) "
                            "ORDER BY id DESC LIMIT ?",
                        {app_uid, before_id, before_id, limit});
  std::vector<Notice> notices;
  if (rows) {
    for (const SqlRow& row : *rows) notices.push_back(FromRow(row));
  }
  return notices;
}

RedDotState NoticeStore::Pending(const std::string& app_uid, const std::string& path) const {
  auto rows = db_.Query(
      "SELECT COUNT(*), (SELECT type FROM notices WHERE app_uid = ?1 AND path = ?2 AND unread = 1 "
      "ORDER BY id DESC LIMIT 1) FROM notices WHERE app_uid = ?1 AND path = ?2 AND unread = 1",
      {app_uid, path});
  RedDotState state;
  if (rows && !rows->empty()) {
    state.count = rows->front().Int(0);
    state.type = static_cast<int>(rows->front().Int(1));
    state.is_show = state.count > 0;
  }
  return state;
}

bool NoticeStore::ClearPath(const std::string& app_uid, const std::string& path, bool* changed) {
  auto result =
      db_.Exec("UPDATE notices SET unread = 0 WHERE app_uid = ? AND path = ? AND unread = 1",
               {app_uid, path});
  *changed = result.ok && result.changes > 0;
  return result.ok;
}

std::optional<Notice> NoticeStore::Newest(const std::string& app_uid,
                                          const std::string& uni_record_id) const {
  auto rows = db_.Query(std::string("SELECT ") + kColumns +
                            " FROM notices WHERE app_uid = ? AND uni_record_id = ? "
                            "ORDER BY id DESC LIMIT 1",
                        {app_uid, uni_record_id});
  if (!rows || rows->empty()) return std::nullopt;
  return FromRow(rows->front());
}

bool NoticeStore::HasCardDot(const std::string& app_uid, const std::string& uni_record_id) const {
  auto rows = db_.Query("SELECT 1 FROM card_red_dots WHERE app_uid = ? AND uni_record_id = ?",
                        {app_uid, uni_record_id});
  return rows && !rows->empty();
}

bool NoticeStore::SetCardDot(const std::string& app_uid, const std::string& uni_record_id, bool lit,
                             bool* changed) {
  auto result = lit ? db_.Exec(
                          "INSERT OR IGNORE INTO card_red_dots(app_uid, uni_record_id) "
                          "VALUES(?, ?)",
                          {app_uid, uni_record_id})
                    : db_.Exec("DELETE FROM card_red_dots WHERE app_uid = ? AND uni_record_id = ?",
                               {app_uid, uni_record_id});
  *changed = result.ok && result.changes > 0;
  return result.ok;
}

bool NoticeStore::ForgetRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM notices WHERE uni_record_id = ?", {uni_record_id}).ok &&
         db_.Exec("DELETE FROM card_red_dots WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
