#include "host/sdk/cgi/server_time.h"

#include <curl/curl.h>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"

namespace KOVANI_CGI {

bool LearnServerTime(const std::string& date_header, int64_t received_wall_ms) {
  if (date_header.empty() || received_wall_ms <= 0) return false;
  const time_t seconds = curl_getdate(date_header.c_str(), nullptr);
  if (seconds < 0) {
    KLOG(4) << "unparsable Date header: " << date_header;
    return false;
  }
  const int64_t date_ms = static_cast<int64_t>(seconds) * 1000;
  const int64_t current_offset = base::clock::ServerMs() - base::clock::WallMs();
  const int64_t estimate = received_wall_ms + current_offset;
  if (estimate >= date_ms - kServerTimeToleranceMs && estimate < date_ms + 1000 + kServerTimeToleranceMs) {
    return false;
  }
  const int64_t offset = date_ms + 500 - received_wall_ms;
  base::clock::SetServerOffsetMs(offset);
  KLOG(6) << "server clock offset is now " << offset << " ms (Date: " << date_header << ")";
  return true;
}

}  // namespace KOVANI_CGI
