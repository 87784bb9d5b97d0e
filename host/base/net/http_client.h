#pragma once

#include <memory>

#include "host/base/net/dns_resolver.h"
#include "host/base/net/http_request.h"
#include "host/base/net/http_response.h"

namespace base::threading {
class Looper;
}

namespace base::net {

// Runs plain HTTP requests and reports each on a chosen looper. Requests run on the host's I/O
// looper. Destroying the client drops the reports of requests still running.
class HttpClient {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // Exactly once per started request, on the client's looper.
    virtual void OnComplete(HttpClient* client, const std::shared_ptr<HttpResponse>& response) = 0;
  };

  virtual ~HttpClient() = default;
  // False (and no report) when the request is null or the client could not be set up.
  virtual bool Start(const std::shared_ptr<HttpRequest>& request) = 0;
};

// `looper` receives the reports (for example the I/O looper itself); `delegate` is not owned and
// must outlive the client; `resolver` may be null for the system resolver. Null without an I/O
// looper or a looper to report on.
std::unique_ptr<HttpClient> CreateHttpClient(threading::Looper* looper, HttpClient::Delegate* delegate,
                                             std::shared_ptr<DnsResolver> resolver);

}  // namespace base::net
