#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "apps/qrhost/host_session.h"

namespace qrhost {

struct AddMeetingRecordingOptions {
  std::vector<std::string> files;
  std::string meeting_id = "qrhost-meeting";
  std::string period_id = "1";
  std::string meeting_code = "000000000";
  std::string subject = "qrhost meeting";
  int64_t time = 0;  // the recordings' start time in wall seconds; 0: now
};

// Puts local meeting recordings into the signed-in user's meeting history, as the client does
// after a meeting that was recorded locally, and prints the history file. Returns the exit code.
int RunAddMeetingRecording(HostSession& session, const AddMeetingRecordingOptions& options, std::ostream& out,
                           std::ostream& err);

}  // namespace qrhost
