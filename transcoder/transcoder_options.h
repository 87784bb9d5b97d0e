#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transcoder/record_task.h"

namespace qr_transcoder {

// The command line. The host passes "--uid=<Base64>"; the rest tune the process:
//   --log-level=N          host logger level on stderr (default 3)
//   --part-size-mib=N      multipart part size, at least 5 (default 5)
//   --parallel-parts=N     parts sent at once when several are ready, 1..16 (default 3)
//   --stall-timeout-ms=N   give up a request that moved no byte for this long (default 30000)
//   --connect-timeout-ms=N (default 5000)
//   --retries=N            extra attempts of a request that failed transiently (default 2)
//   --retry-delay-ms=N     (default 500)
//   --poll-ms=N            how often a task looks at its streams (default 200)
//   --state-dir=DIR        local uploads' state files (default <user data dir>/transcoder/local-uploads)
struct TranscoderOptions {
  std::string uid;
  int log_level = 3;
  TaskSettings settings;

  // nullopt (with the reason in *error) for an option it does not know or a bad value.
  static std::optional<TranscoderOptions> Parse(const std::vector<std::string>& args, std::string* error);
};

}  // namespace qr_transcoder
