#pragma once

#include <cstdint>
#include <string>

namespace KOVANI_CGI {

// Why a signed request did not bring back a business answer. kNone means the back end answered
// with its envelope (whatever its business code).
enum class Failure {
  kNone,
  kNotSignedIn,        // a token or signature was asked for, but no account is signed in
  kInvalidRequest,     // no usable URL, an unknown method code, or a query inside the URL
  kPlainHttpRefused,   // SetHttpsOnly and the URL is not https
  kConnectFailed,      // connection refused or unreachable
  kDnsFailure,         // the host name did not resolve
  kTimedOut,           // the request's time-out passed
  kTlsFailure,         // TLS handshake or certificate verification failed
  kConnectionClosed,   // the connection broke before the whole answer arrived
  kHttpStatus,         // an HTTP status other than 2xx
  kEmptyBody,          // 2xx without a body
  kInvalidBody,        // the body is not a JSON object with an integer "code"
  kCancelled,          // the transport gave the request up (for example at shut-down)
  kOther,
};

const char* FailureName(Failure failure);

// The envelope of one answer, as HandleBizResponse receives it.
struct Result {
  int32_t status_code = 0;  // HTTP status; 0 when no answer arrived
  std::string msg;          // the back end's "msg", or what went wrong
  int64_t biz_code = -1;    // the back end's "code"; -1 when there was no envelope
  Failure failure = Failure::kNone;
};

}  // namespace KOVANI_CGI
