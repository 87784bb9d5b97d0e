#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/base/net/http_transfer.h"

namespace KOVANI_CGI {

// One signed request, ready for the wire.
struct TransportRequest {
  std::string method;  // "GET" or "POST"
  std::string url;     // absolute, with the encoded, sorted query
  std::string path;    // the URL path, as signed
  std::vector<std::pair<std::string, std::string>> query;  // decoded, in the signed order
  base::net::HttpHeaders headers;
  std::string body;
  int64_t timeout_ms = 0;
  bool high_priority = false;
  bool https_only = false;

  // The value of a query parameter or a header (compared without case); empty when absent.
  std::string Param(const std::string& name) const;
  std::string Header(const std::string& name) const;
};

// What came back: the HTTP outcome (status, headers, body, or why none arrived).
using TransportResponse = base::net::HttpOutcome;

// Carries signed requests to the back end. Tests swap in a fake that records requests and answers
// canned responses.
class RequestTransport {
 public:
  using Done = std::function<void(TransportResponse response)>;
  virtual ~RequestTransport() = default;
  // `done` must run exactly once, on any thread.
  virtual void Send(TransportRequest request, Done done) = 0;
};

// The transport requests use now: the one installed by SetRequestTransport, else the process's
// libcurl transport on the host's I/O looper (made on first use, and made again when the I/O
// looper has changed). Null without an I/O looper.
std::shared_ptr<RequestTransport> GetRequestTransport();
// Installs `transport` for every later request; null goes back to the libcurl transport.
void SetRequestTransport(std::shared_ptr<RequestTransport> transport);
// Ends the libcurl transport: requests still running are answered as cancelled, its connections
// are closed and its socket thread is joined. Call it before the host's loopers go (at shut-down,
// and in tests that ran real requests); the next request makes a new one.
void ShutdownRequestTransport();

// Installs a transport for its own lifetime and then restores the previous one (tests).
class ScopedRequestTransport {
 public:
  explicit ScopedRequestTransport(std::shared_ptr<RequestTransport> transport);
  ~ScopedRequestTransport();
  ScopedRequestTransport(const ScopedRequestTransport&) = delete;
  ScopedRequestTransport& operator=(const ScopedRequestTransport&) = delete;

 private:
  std::shared_ptr<RequestTransport> previous_;
};

}  // namespace KOVANI_CGI
