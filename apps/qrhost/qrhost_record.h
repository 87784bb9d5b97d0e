#pragma once

#include <ostream>

#include "apps/qrhost/host_session.h"
#include "apps/qrhost/record_options.h"

namespace qrhost {

// `qrhost record`: one quick recording through the module's pages, as a user meets it in a
// terminal: the new-recording page's checks, the count-down, the control bar with its keys,
// then the upload until the record's link. Returns the exit code (0 with a link, 1 otherwise).
int RunRecord(HostSession& session, const RecordOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qrhost
