#include "host/base/net/http_request.h"

#include "host/base/logging/logger.h"
#include "host/base/net/url.h"

namespace base::net {

std::shared_ptr<HttpRequest> CreateHttpRequest(const std::string& url, int method,
                                               bool fresh_connection) {
  const URL parsed = URL::From(url);
  if (!parsed.IsHttp() && !parsed.IsHttps()) {
    KLOG(3) << "not an http or https URL: " << url;
    return nullptr;
  }
  const char* verb = nullptr;
  switch (method) {
    case kHttpGet:
      verb = "GET";
      break;
    case kHttpHead:
      verb = "HEAD";
      break;
    case kHttpPost:
      verb = "POST";
      break;
    default:
      KLOG(3) << "unknown HTTP method code " << method;
      return nullptr;
  }
  return std::make_shared<HttpRequest>(url, verb, fresh_connection);
}

}  // namespace base::net
