#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Database;

// The link settings of one record. The link's audience is a group when `group_id` is set,
// else a permission point.
struct ShareSettings {
  std::string uni_record_id;
  std::string share_id;
  bool switch_state = false;  // the link opens the record
  int64_t point_id = 1;       // kPoint...; 0 while a group is chosen
  int64_t group_id = 0;       // kGroupSameApp, or 0
  int64_t access_id = 0;      // the group's kAccess...
  int64_t expired_time = 0;   // Unix milliseconds; 0: never
  int64_t expired_time_type = 0;
  bool download_enable = false;
  bool view_minutes_enable = false;
  std::string password;  // empty: none
  bool invite_join_state = false;

  bool has_group() const { return group_id != 0; }
};

constexpr int64_t kPointAnyoneWithLink = 1;
constexpr int64_t kPointSignedInWithLink = 2;
constexpr int64_t kPointParticipants = 3;
// The one group: signed-in users of the owner's app (organisation) who open the link.
constexpr int64_t kGroupSameApp = 1;
// Access of a group, and permission of a named grant.
constexpr int64_t kAccessView = 1;
constexpr int64_t kAccessDownload = 2;  // view and download

// A user with a say on a record besides its owner: a granted viewer and/or a co-owner.
struct RecordMember {
  std::string app_uid;
  int64_t permission_id = 0;  // > 0: may view
  bool is_assigner = false;   // co-owner: may view and manage sharing
};

class ShareStore {
 public:
  explicit ShareStore(Database& db) : db_(db) {}

  // The record's settings; a record that was never shared gets the defaults and a share id.
  std::optional<ShareSettings> Settings(const std::string& uni_record_id);
  // The stored settings, or the defaults (no share id) without storing anything.
  ShareSettings Peek(const std::string& uni_record_id) const;
  bool Save(const ShareSettings& settings);
  std::optional<std::string> RecordOfShare(const std::string& share_id) const;

  std::optional<RecordMember> Member(const std::string& uni_record_id,
                                     const std::string& app_uid) const;
  std::vector<RecordMember> Members(const std::string& uni_record_id) const;
  bool SetPermission(const std::string& uni_record_id, const std::string& app_uid,
                     int64_t permission_id, int64_t now);
  bool SetAssigner(const std::string& uni_record_id, const std::string& app_uid, bool is_assigner,
                   int64_t now);
  // A signed-in user who opened the record's share link; the link's current settings decide
  // what that is worth each time.
  bool AddLinkVisitor(const std::string& uni_record_id, const std::string& app_uid, int64_t now);
  bool IsLinkVisitor(const std::string& uni_record_id, const std::string& app_uid) const;
  // A new password: who came in with the old one has to give the new one.
  bool ForgetLinkVisitors(const std::string& uni_record_id);
  // Somebody without access asked the owner for it.
  bool AddAccessRequest(const std::string& unique_id, const std::string& uni_record_id,
                        const std::string& app_uid, const std::string& subject,
                        const std::string& reason, int64_t now);
  bool ForgetRecord(const std::string& uni_record_id);

 private:
  bool Upsert(const std::string& uni_record_id, const std::string& app_uid, const char* column,
              int64_t value, int64_t now);

  Database& db_;
};

}  // namespace qr_backend
