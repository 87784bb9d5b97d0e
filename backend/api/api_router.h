#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "common/httplib_fwd.h"
#include "common/url_codec.h"
#include "storage/user_store.h"

namespace qr_backend {

class RequestVerifier;

// One verified API request as an endpoint sees it.
struct ApiCall {
  const httplib::Request& http;
  const User& user;
  const nlohmann::json& body;  // the JSON object of a POST; an empty object for GET
  const QueryPairs& query;     // decoded query parameters, the signature's own included
  const std::string& nonce;    // echoed in the envelope

  std::string Param(const std::string& name) const;  // empty when absent
};

// What an endpoint answers; the router wraps it in the envelope {"code","msg","nonce","data"}.
struct ApiAnswer {
  int code = 0;
  std::string msg = "ok";
  nlohmann::json data = nlohmann::json::object();

  static ApiAnswer Ok(nlohmann::json data = nlohmann::json::object());
  static ApiAnswer Fail(int code, std::string msg);
};

using ApiHandler = std::function<ApiAnswer(const ApiCall&)>;
// For endpoints that answer with something other than the envelope (the push stream).
using RawApiHandler = std::function<void(const ApiCall&, httplib::Response&)>;

// Routes signed API paths: every request is verified first, and a refused one is answered with
// HTTP 200, the refusal's business code and no "data".
class ApiRouter {
 public:
  ApiRouter(httplib::Server& server, const RequestVerifier& verifier)
      : server_(server), verifier_(verifier) {}

  void Post(const std::string& path, ApiHandler handler);
  void Get(const std::string& path, ApiHandler handler);
  void GetRaw(const std::string& path, RawApiHandler handler);

  // Writes the envelope; `data` is left out unless the code is 0.
  static void WriteEnvelope(httplib::Response& response, const ApiAnswer& answer,
                            const std::string& nonce);

 private:
  std::function<void(const httplib::Request&, httplib::Response&)> Verified(
      RawApiHandler handler) const;
  void Dispatch(const httplib::Request& request, httplib::Response& response,
                const RawApiHandler& handler) const;

  httplib::Server& server_;
  const RequestVerifier& verifier_;
};

}  // namespace qr_backend
