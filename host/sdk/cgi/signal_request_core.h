#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/json/json_value.h"
#include "host/sdk/cgi/request_transport.h"
#include "host/sdk/cgi/result.h"
#include "host/sdk/cgi/signed_request_builder.h"

namespace KOVANI_CGI {

// Everything of a signed back-end request but the type of its closure (see
// KovaniSignalRequestBase). Hold requests in a std::shared_ptr: a running request keeps itself
// alive until its answer has been handled.
class SignalRequestCore : public std::enable_shared_from_this<SignalRequestCore> {
 public:
  virtual ~SignalRequestCore() = default;

  void SetUrl(const std::string& url) { spec_.url = url; }
  // 1: GET with the AddParams parameters in the query; 3: POST with the SetBody JSON. Default 3.
  void SetMethod(int method) { spec_.method = method; }
  // A query parameter (sent and signed with the rest of the query, for either method).
  void AddParams(const std::string& key, const std::string& value) { spec_.params.emplace_back(key, value); }
  void SetBody(const std::string& body) { spec_.body = body; }
  // "app_id", "platform" and "client_version" in the query.
  void WithCommonParams(bool with) { spec_.common_params = with; }
  // The account token in "X-QR-Token".
  void WithToken(bool with) { spec_.token = with; }
  // The request signature in "X-QR-Signature".
  void WithSign(bool with) { spec_.sign = with; }
  // "app_uid" in the query.
  void WithAppUid(bool with) { spec_.app_uid = with; }
  // Started before every queued normal request.
  void SetHighPriority(bool high = true) { spec_.high_priority = high; }
  // Refuses (without sending) a URL that is not https.
  void SetHttpsOnly(bool https_only = true) { spec_.https_only = https_only; }
  // Milliseconds for the whole exchange; 0 or less: the default of 30000.
  void SetTimeout(int64_t timeout_ms) { spec_.timeout_ms = timeout_ms; }

  const SignedRequestSpec& spec() const { return spec_; }
  // The nonce of the latest Run (echoed by the back end as "nonce").
  const std::string& nonce() const { return nonce_; }

 protected:
  // Signs and sends the request with the signed-in account. HandleBizResponse follows exactly
  // once, on the main looper, never from inside this call (except for a request that is not held
  // by a std::shared_ptr: it is refused at once, from inside the call).
  void Send();

  // `success`: the back end answered with its envelope (HTTP 2xx, a JSON object with an integer
  // "code"), whatever the business code; `result` says what happened; `json` is the whole body
  // (null unless it was JSON).
  virtual void HandleBizResponse(bool success, const Result& result, const base::json::JsonValue& json) = 0;

 private:
  friend class ResponseDelivery;
  void OnTransportResponse(const TransportResponse& response);

  SignedRequestSpec spec_;
  std::string nonce_;
};

}  // namespace KOVANI_CGI
