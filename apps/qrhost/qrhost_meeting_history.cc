#include "apps/qrhost/qrhost_meeting_history.h"

#include "host/app/meeting_history.h"
#include "host/base/threading/clock.h"
#include "host/sdk/kovani_common/paths.h"

namespace qrhost {

int RunAddMeetingRecording(HostSession& session, const AddMeetingRecordingOptions& options, std::ostream& out,
                           std::ostream& err) {
  const auto& account = session.app().account();
  if (account.app_uid.empty()) {
    err << "qrhost: nobody is signed in; the meeting history belongs to an account\n";
    return 2;
  }
  const std::string directory = kovani_common::utils::GetDatabasePath();
  auto history = host::app::MeetingHistory::Open(directory);
  if (!history) {
    err << "qrhost: cannot open the meeting history in " << directory << "\n";
    return 1;
  }
  const host::app::MeetingHistory::Meeting meeting{
      account.app_id,       account.app_uid, options.meeting_id,        options.period_id,
      options.meeting_code, options.subject, base::clock::WallSeconds()};
  const int64_t time = options.time > 0 ? options.time : base::clock::WallSeconds();
  for (const auto& file : options.files) {
    if (!history->AddLocalRecording(meeting, file, time)) {
      err << "qrhost: cannot add " << file << "\n";
      return 1;
    }
    out << "added: " << file << "\n";
  }
  out << "meeting: " << options.meeting_id << " period " << options.period_id << "\n"
      << "history: " << history->database()->path() << "\n";
  return 0;
}

}  // namespace qrhost
