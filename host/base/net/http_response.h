#pragma once

#include <string>

#include "host/base/net/http_transfer.h"

namespace base::net {

// What an HttpClient reports for one request.
class HttpResponse {
 public:
  HttpResponse(std::string url, HttpOutcome outcome)
      : url_(std::move(url)), outcome_(std::move(outcome)) {}

  // The address the request was made for.
  const std::string& url() const { return url_; }
  // HTTP status; 0 when no answer arrived (refused, unresolvable, timed out, TLS failure).
  int status_code() const { return outcome_.status; }
  // The peer's IP address as text; empty when no answer arrived.
  const std::string& remote_ip() const { return outcome_.remote_ip; }
  // A response header by name, compared without case; empty when absent.
  std::string GetHeader(const std::string& name) const { return FindHeader(outcome_.headers, name); }
  const HttpHeaders& headers() const { return outcome_.headers; }
  const std::string& body() const { return outcome_.body; }
  NetError error() const { return outcome_.error; }
  const std::string& error_text() const { return outcome_.error_text; }

 private:
  std::string url_;
  HttpOutcome outcome_;
};

}  // namespace base::net
