#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Database;

// Notice "type" values.
constexpr int kNoticeComment = 1;
constexpr int kNoticeReply = 2;
constexpr int kNoticeAccessRequest = 3;

// The red-dot path notices light unless they name another.
constexpr char kDefaultNoticePath[] = "meetlog.record.notice_list";

struct Notice {
  int64_t id = 0;
  std::string app_uid;  // who receives it
  std::string path = kDefaultNoticePath;
  int type = kNoticeComment;
  std::string uni_record_id;
  std::string author_uid;
  std::string content;
  int64_t video_elapsed = 0;
  std::string comment_id;
  std::string reply_id;
  std::string reply_to_uid;
  bool unread = true;
  int64_t created_at = 0;  // Unix milliseconds
};

struct RedDotState {
  bool is_show = false;
  int type = 0;  // type of the newest unread notice
  int64_t count = 0;
};

// Notices (comments, replies, access requests) per user, the red dot of each notice path (lit
// while the path has unread notices) and the red dots of record cards.
class NoticeStore {
 public:
  explicit NoticeStore(Database& db) : db_(db) {}

  std::optional<int64_t> Add(const Notice& notice);
  // Newest first; `before_id` 0 starts at the newest.
  std::vector<Notice> List(const std::string& app_uid, int64_t before_id, int64_t limit) const;
  RedDotState Pending(const std::string& app_uid, const std::string& path) const;
  // Marks the path's notices read; `changed` says whether its red dot was lit.
  bool ClearPath(const std::string& app_uid, const std::string& path, bool* changed);
  std::optional<Notice> Newest(const std::string& app_uid, const std::string& uni_record_id) const;

  bool HasCardDot(const std::string& app_uid, const std::string& uni_record_id) const;
  bool SetCardDot(const std::string& app_uid, const std::string& uni_record_id, bool lit,
                  bool* changed);
  bool ForgetRecord(const std::string& uni_record_id);

 private:
  Database& db_;
};

}  // namespace qr_backend
