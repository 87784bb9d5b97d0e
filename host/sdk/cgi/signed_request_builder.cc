#include "host/sdk/cgi/signed_request_builder.h"

#include "host/app/host_config.h"
#include "host/base/net/url.h"

namespace KOVANI_CGI {

namespace {

SignedRequestBuilder::Built Refuse(Failure failure, std::string error) {
  SignedRequestBuilder::Built built;
  built.failure = failure;
  built.error = std::move(error);
  return built;
}

}  // namespace

SignedRequestBuilder::Built SignedRequestBuilder::Build(const SignedRequestSpec& spec,
                                                        const host::app::Account& account,
                                                        int64_t timestamp_seconds,
                                                        const std::string& nonce) {
  const base::net::URL url = base::net::URL::From(spec.url);
  if (!url.IsHttp() && !url.IsHttps()) {
    return Refuse(Failure::kInvalidRequest, "not an http or https URL: \"" + spec.url + "\"");
  }
  // The signature covers the query we build; one written into the URL would go unsigned.
  if (spec.url.find_first_of("?#") != std::string::npos) {
    return Refuse(Failure::kInvalidRequest,
                  "the URL carries a query or fragment; use AddParams: " + spec.url);
  }
  if (spec.method != kMethodGet && spec.method != kMethodPost) {
    return Refuse(Failure::kInvalidRequest, "unknown method code " + std::to_string(spec.method));
  }
  if (spec.https_only && !url.IsHttps()) {
    return Refuse(Failure::kPlainHttpRefused, "https only: refusing " + spec.url);
  }
  if ((spec.token && account.token.empty()) || (spec.sign && account.secret.empty()) ||
      (spec.app_uid && account.app_uid.empty())) {
    return Refuse(Failure::kNotSignedIn, "no signed-in account to sign the request with");
  }

  Built built;
  TransportRequest& request = built.request;
  const bool post = spec.method == kMethodPost;
  request.method = post ? "POST" : "GET";
  request.path = url.path();
  request.body = post ? spec.body : std::string();
  request.timeout_ms = spec.timeout_ms > 0 ? spec.timeout_ms : kDefaultTimeoutMs;
  request.high_priority = spec.high_priority;
  request.https_only = spec.https_only;

  QueryParams params = spec.params;
  if (spec.common_params) {
    params.emplace_back("app_id", account.app_id);
    params.emplace_back("platform", "linux");
    params.emplace_back("client_version", kClientVersion);
  }
  if (spec.app_uid) params.emplace_back("app_uid", account.app_uid);
  const std::string timestamp = std::to_string(timestamp_seconds);
  params.emplace_back("timestamp", timestamp);
  params.emplace_back("nonce", nonce);
  const std::string query = RequestSigner::CanonicalQuery(params);
  request.query = RequestSigner::SortedParams(std::move(params));
  request.url = spec.url + "?" + query;

  request.headers.emplace_back("Accept", "application/json");
  if (post) request.headers.emplace_back("Content-Type", "application/json");
  if (spec.token) request.headers.emplace_back("X-QR-Token", account.token);
  if (spec.sign) {
    request.headers.emplace_back(
        "X-QR-Signature",
        RequestSigner::Sign(account.secret, RequestSigner::CanonicalText(request.method, request.path, query,
                                                                         request.body, timestamp, nonce)));
  }
  return built;
}

}  // namespace KOVANI_CGI
