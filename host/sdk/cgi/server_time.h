#pragma once

#include <cstdint>
#include <string>

namespace KOVANI_CGI {

// Learns the back end's clock from the HTTP Date header of its answers (RFC 9110,
// "Sun, 06 Nov 1994 08:49:37 GMT"). `received_wall_ms` is our wall clock when the answer's
// headers arrived. The header has whole seconds, so the server's time then lies in
// [date, date + 1 s); the stored offset (base::clock::SetServerOffsetMs) moves only when our
// estimate of the server time falls outside that second by more than kToleranceMs, and then to the
// middle of it. So the offset does not jitter with every answer, yet follows a real jump at once.
// Returns whether the offset changed; a missing or unparsable header changes nothing.
bool LearnServerTime(const std::string& date_header, int64_t received_wall_ms);

constexpr int64_t kServerTimeToleranceMs = 500;

}  // namespace KOVANI_CGI
