#include "host/sdk/cgi/result.h"

namespace KOVANI_CGI {

const char* FailureName(Failure failure) {
  switch (failure) {
    case Failure::kNone:
      return "none";
    case Failure::kNotSignedIn:
      return "not_signed_in";
    case Failure::kInvalidRequest:
      return "invalid_request";
    case Failure::kPlainHttpRefused:
      return "plain_http_refused";
    case Failure::kConnectFailed:
      return "connect_failed";
    case Failure::kDnsFailure:
      return "dns_failure";
    case Failure::kTimedOut:
      return "timed_out";
    case Failure::kTlsFailure:
      return "tls_failure";
    case Failure::kConnectionClosed:
      return "connection_closed";
    case Failure::kHttpStatus:
      return "http_status";
    case Failure::kEmptyBody:
      return "empty_body";
    case Failure::kInvalidBody:
      return "invalid_body";
    case Failure::kCancelled:
      return "cancelled";
    case Failure::kOther:
      return "other";
  }
  return "other";
}

}  // namespace KOVANI_CGI
