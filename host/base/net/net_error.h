#pragma once

namespace base::net {

// Why a transfer ended without a whole HTTP answer. An HTTP status of 4xx or 5xx is not a
// NetError: the answer arrived.
enum class NetError {
  kNone,
  kInvalidRequest,    // an unusable URL, scheme or method
  kConnectFailed,     // nothing accepted the connection (refused, unreachable)
  kDnsFailure,        // the host name did not resolve
  kTimedOut,          // the transfer's time-out passed
  kTlsFailure,        // TLS handshake or certificate verification failed
  kPlainHttpRefused,  // an https-only transfer was given another scheme
  kConnectionClosed,  // the connection broke before the whole answer arrived
  kResponseTooLarge,  // the answer exceeded the engine's limit
  kCancelled,         // cancelled, or the engine went away first
  kOther,
};

}  // namespace base::net
