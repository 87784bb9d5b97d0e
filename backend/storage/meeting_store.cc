#include "storage/meeting_store.h"

#include "common/database.h"

namespace qr_backend {

bool MeetingStore::Attach(const std::string& uni_record_id, const RecordMeeting& m) {
  return db_
      .Exec(
          "INSERT INTO record_meetings(uni_record_id, meeting_id, sub_meeting_id, room_id, "
          "meeting_code, subject) VALUES(?, ?, ?, ?, ?, ?) ON CONFLICT(uni_record_id) DO UPDATE "
          "SET meeting_id = excluded.meeting_id, sub_meeting_id = excluded.sub_meeting_id, "
          "room_id = excluded.room_id, meeting_code = excluded.meeting_code, "
          "subject = excluded.subject",
          {uni_record_id, m.meeting_id, m.sub_meeting_id, m.room_id, m.meeting_code, m.subject})
      .ok;
}

std::optional<RecordMeeting> MeetingStore::Find(const std::string& uni_record_id) const {
  auto rows = db_.Query(
      "SELECT meeting_id, sub_meeting_id, room_id, meeting_code, subject FROM record_meetings "
      "WHERE uni_record_id = ?",
      {uni_record_id});
  if (!rows || rows->empty()) return std::nullopt;
  const SqlRow& r = rows->front();
  return RecordMeeting{r.Text(0), r.Text(1), r.Text(2), r.Text(3), r.Text(4)};
}

bool MeetingStore::AddParticipants(const std::string& meeting_id,
                                   const std::vector<std::string>& app_uids) {
  return db_.Transaction([&] {
    for (const std::string& uid : app_uids) {
      if (!db_.Exec("INSERT OR IGNORE INTO meeting_participants(meeting_id, app_uid) VALUES(?, ?)",
                    {meeting_id, uid})) {
        return false;
      }
    }
    return true;
  });
}

std::vector<std::string> MeetingStore::Participants(const std::string& meeting_id) const {
  std::vector<std::string> uids;
  auto rows =
      db_.Query("SELECT app_uid FROM meeting_participants WHERE meeting_id = ? ORDER BY app_uid",
                {meeting_id});
  if (rows) {
    for (const SqlRow& row : *rows) uids.push_back(row.Text(0));
  }
  return uids;
}

bool MeetingStore::IsParticipant(const std::string& meeting_id, const std::string& app_uid) const {
  auto rows = db_.Query("SELECT 1 FROM meeting_participants WHERE meeting_id = ? AND app_uid = ?",
                        {meeting_id, app_uid});
  return rows && !rows->empty();
}

bool MeetingStore::ForgetRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM record_meetings WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
