#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "apps/qrhost/host_session.h"

namespace qrhost {

struct RecordRawOptions {
  double seconds = 3;
  std::string monitor_id;
  uint64_t window_id = 0;
  bool screen = false;  // --screen or --window given
  bool camera = false;
  std::string out_dir;  // empty: a new directory under the system's temporary directory
};

// Records with the module's recorder service directly (no cloud) and prints the files and the
// statistics. Returns the process exit code.
int RunRecordRaw(HostSession& session, const RecordRawOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qrhost
