#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Database;

struct RecordMeeting {
  std::string meeting_id;
  std::string sub_meeting_id;
  std::string room_id;
  std::string meeting_code;
  std::string subject;
};

// Which meeting a record was made in, and who took part in which meeting. Both come from the
// admin API: the reference back end has no meeting service of its own.
class MeetingStore {
 public:
  explicit MeetingStore(Database& db) : db_(db) {}

  bool Attach(const std::string& uni_record_id, const RecordMeeting& meeting);
  std::optional<RecordMeeting> Find(const std::string& uni_record_id) const;
  bool AddParticipants(const std::string& meeting_id, const std::vector<std::string>& app_uids);
  std::vector<std::string> Participants(const std::string& meeting_id) const;
  bool IsParticipant(const std::string& meeting_id, const std::string& app_uid) const;
  bool ForgetRecord(const std::string& uni_record_id);

 private:
  Database& db_;
};

}  // namespace qr_backend
