#pragma once

#include <string>
#include <vector>

namespace base::net {

// Answers host names instead of the system resolver (for example a cached or pinned address).
// Called on the thread that starts the request; it must answer without blocking for long.
class DnsResolver {
 public:
  virtual ~DnsResolver() = default;
  // IP addresses (as text) for `host`; empty to let the system resolver answer.
  virtual std::vector<std::string> Resolve(const std::string& host) = 0;
};

}  // namespace base::net
