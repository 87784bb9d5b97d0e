#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/net/http_transfer.h"

namespace base::net {

// Method codes of CreateHttpRequest.
enum HttpMethodCode : int {
  kHttpGet = 1,
  kHttpHead = 2,
  kHttpPost = 3,
};

// One plain (unsigned) HTTP request for an HttpClient.
class HttpRequest {
 public:
  HttpRequest(std::string url, std::string method, bool fresh_connection)
      : url_(std::move(url)), method_(std::move(method)), fresh_connection_(fresh_connection) {}

  const std::string& url() const { return url_; }
  const std::string& method() const { return method_; }  // "GET", "HEAD" or "POST"
  bool fresh_connection() const { return fresh_connection_; }

  // Milliseconds for the whole exchange; the default is 30000.
  void SetTimeout(int64_t timeout_ms) { timeout_ms_ = timeout_ms; }
  int64_t timeout_ms() const { return timeout_ms_; }
  void AddHeader(const std::string& name, const std::string& value) {
    headers_.emplace_back(name, value);
  }
  const HttpHeaders& headers() const { return headers_; }
  void SetBody(std::string body) { body_ = std::move(body); }
  const std::string& body() const { return body_; }

 private:
  std::string url_;
  std::string method_;
  bool fresh_connection_;
  int64_t timeout_ms_ = 30000;
  HttpHeaders headers_;
  std::string body_;
};

// A request for `url` with method code 1 (GET), 2 (HEAD) or 3 (POST). `fresh_connection` makes
// the exchange use a connection of its own, never a pooled one, so that it proves the host is
// reachable now (what a reachability probe wants). Null for a URL that is not absolute http or
// https, or for another method code.
std::shared_ptr<HttpRequest> CreateHttpRequest(const std::string& url, int method,
                                               bool fresh_connection);

}  // namespace base::net
