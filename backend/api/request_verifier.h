#pragma once

#include <optional>
#include <string>

#include "common/url_codec.h"
#include "storage/user_store.h"

namespace qr_backend {

class Clock;
class NonceStore;

// What verification needs from an HTTP request, so that it can be tested without a server.
struct IncomingRequest {
  std::string method;
  std::string path;
  std::string raw_query;  // as sent, without '?'
  std::string body;
  std::string token;      // X-QR-Token
  std::string signature;  // X-QR-Signature
};

struct Verification {
  int code = 0;  // a business code; 0 when the request is accepted
  std::string msg;
  std::string nonce;  // the request's nonce when it had one, echoed in every answer
  std::optional<User> user;
  QueryPairs query;  // decoded query parameters of an accepted request
};

// Checks a signed request in the documented order: token, timestamp and nonce present,
// timestamp window, signature, nonce not replayed.
class RequestVerifier {
 public:
  static constexpr int64_t kTimestampWindowSeconds = 300;

  RequestVerifier(const UserStore& users, NonceStore& nonces, const Clock& clock)
      : users_(users), nonces_(nonces), clock_(clock) {}

  Verification Verify(const IncomingRequest& request) const;

 private:
  const UserStore& users_;
  NonceStore& nonces_;
  const Clock& clock_;
};

}  // namespace qr_backend
