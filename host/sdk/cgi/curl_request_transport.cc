#include "host/sdk/cgi/curl_request_transport.h"

#include "host/base/net/http_engine.h"

namespace KOVANI_CGI {

std::shared_ptr<CurlRequestTransport> CurlRequestTransport::Create(base::threading::Looper* io_looper) {
  auto engine = base::net::HttpEngine::Create(io_looper);
  return engine ? std::make_shared<CurlRequestTransport>(std::move(engine)) : nullptr;
}

void CurlRequestTransport::Send(TransportRequest request, Done done) {
  base::net::HttpTransfer transfer;
  transfer.method = std::move(request.method);
  transfer.url = std::move(request.url);
  transfer.headers = std::move(request.headers);
  transfer.body = std::move(request.body);
  transfer.timeout_ms = request.timeout_ms;
  transfer.high_priority = request.high_priority;
  transfer.https_only = request.https_only;
  engine_->Start(std::move(transfer), std::move(done));
}

}  // namespace KOVANI_CGI
