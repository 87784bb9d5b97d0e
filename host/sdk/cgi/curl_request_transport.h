#pragma once

#include <memory>

#include "host/sdk/cgi/request_transport.h"

namespace base::net {
class HttpEngine;
}
namespace base::threading {
class Looper;
}

namespace KOVANI_CGI {

// The real transport: libcurl's multi interface on the host's I/O looper, one connection pool for
// every request, at most 8 at once, list requests (high priority) started first.
class CurlRequestTransport : public RequestTransport {
 public:
  // Null when the engine cannot be set up.
  static std::shared_ptr<CurlRequestTransport> Create(base::threading::Looper* io_looper);
  explicit CurlRequestTransport(std::shared_ptr<base::net::HttpEngine> engine)
      : engine_(std::move(engine)) {}

  void Send(TransportRequest request, Done done) override;

 private:
  std::shared_ptr<base::net::HttpEngine> engine_;
};

}  // namespace KOVANI_CGI
