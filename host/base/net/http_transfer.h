#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/base/net/net_error.h"

namespace base::net {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// The value of the first header named `name` (compared without case); empty when absent.
std::string FindHeader(const HttpHeaders& headers, std::string_view name);

struct HttpOutcome;

// One HTTP exchange as the engine runs it.
struct HttpTransfer {
  std::string method = "GET";  // GET, HEAD, POST, or any other verb (sent with the body)
  std::string url;
  HttpHeaders headers;
  std::string body;  // sent for every method but GET and HEAD (Content-Length: 0 when empty)
  int64_t timeout_ms = 30000;  // whole transfer; 0: none (streams)
  bool high_priority = false;  // started before every queued normal transfer
  bool https_only = false;     // any other scheme fails with kPlainHttpRefused
  bool fresh_connection = false;  // neither reuse a pooled connection nor pool this one
  // "host:port:address" entries that bypass the system resolver.
  std::vector<std::string> resolve;
  // When set, body bytes go here as they arrive (with the status and headers so far) instead of
  // into HttpOutcome::body; returning false ends the transfer with kCancelled.
  std::function<bool(const HttpOutcome& so_far, std::string_view chunk)> on_data;
};

// How an exchange ended.
struct HttpOutcome {
  NetError error = NetError::kNone;
  std::string error_text;  // what the transport said, for logs; empty on success
  int status = 0;          // HTTP status of the final answer; 0 when none arrived
  HttpHeaders headers;     // of the final answer, names in lower case
  std::string body;
  std::string remote_ip;  // the peer that answered; empty when no answer arrived
  // Our wall clock (base::clock::WallMs) when the answer's headers were complete; 0 without.
  int64_t headers_wall_ms = 0;

  bool ok() const { return error == NetError::kNone; }
};

}  // namespace base::net
