#pragma once

#include <cstdint>
#include <string>

#include "host/sdk/cgi/request_signer.h"
#include "host/sdk/cgi/request_transport.h"
#include "host/sdk/cgi/result.h"

namespace host::app {
struct Account;
}

namespace KOVANI_CGI {

// Method codes of SetMethod.
enum MethodCode : int {
  kMethodGet = 1,   // parameters in the query string
  kMethodPost = 3,  // a JSON body
};

constexpr int64_t kDefaultTimeoutMs = 30000;
// Sent as "client_version" with the common parameters.
constexpr char kClientVersion[] = "1.0.0";

// What a request asks for before it is signed.
struct SignedRequestSpec {
  std::string url;
  int method = kMethodPost;
  QueryParams params;
  std::string body;
  bool common_params = false;
  bool token = false;
  bool sign = false;
  bool app_uid = false;
  bool high_priority = false;
  bool https_only = false;
  int64_t timeout_ms = kDefaultTimeoutMs;
};

// Turns a spec into the wire request of docs/signed-requests.md for an account, a time and a
// nonce: common parameters, timestamp and nonce in the query, token and signature headers.
class SignedRequestBuilder {
 public:
  struct Built {
    Failure failure = Failure::kNone;  // kNone: `request` is ready
    std::string error;
    TransportRequest request;
  };
  static Built Build(const SignedRequestSpec& spec, const host::app::Account& account,
                     int64_t timestamp_seconds, const std::string& nonce);
};

}  // namespace KOVANI_CGI
