#include "api/api_router.h"

#include <httplib.h>

#include "api/biz_code.h"
#include "api/request_verifier.h"

namespace qr_backend {

namespace {

std::string RawQuery(const httplib::Request& request) {
  const size_t question = request.target.find('?');
  return question == std::string::npos ? std::string() : request.target.substr(question + 1);
}

RawApiHandler WithEnvelope(ApiHandler handler) {
  return [handler = std::move(handler)](const ApiCall& call, httplib::Response& response) {
    ApiRouter::WriteEnvelope(response, handler(call), call.nonce);
  };
}

}  // namespace

std::string ApiCall::Param(const std::string& name) const {
  for (const auto& [key, value] : query) {
    if (key == name) return value;
  }
  return {};
}

ApiAnswer ApiAnswer::Ok(nlohmann::json data) {
  ApiAnswer answer;
  answer.data = std::move(data);
  return answer;
}

ApiAnswer ApiAnswer::Fail(int code, std::string msg) {
  ApiAnswer answer;
  answer.code = code;
  answer.msg = std::move(msg);
  return answer;
}

void ApiRouter::WriteEnvelope(httplib::Response& response, const ApiAnswer& answer,
                              const std::string& nonce) {
  nlohmann::json envelope = {{"code", answer.code}, {"msg", answer.msg}, {"nonce", nonce}};
  if (answer.code == kBizOk) envelope["data"] = answer.data;
  response.status = 200;
  // Texts come from clients and may hold invalid UTF-8; replace it rather than fail the answer.
  response.set_content(envelope.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

void ApiRouter::Dispatch(const httplib::Request& request, httplib::Response& response,
                         const RawApiHandler& handler) const {
  IncomingRequest incoming{request.method,
                           request.path,
                           RawQuery(request),
                           request.body,
                           request.get_header_value("X-QR-Token"),
                           request.get_header_value("X-QR-Signature")};
  Verification verification = verifier_.Verify(incoming);
  if (verification.code != kBizOk) {
    WriteEnvelope(response, ApiAnswer::Fail(verification.code, verification.msg),
                  verification.nonce);
    return;
  }
  nlohmann::json body = nlohmann::json::object();
  if (!request.body.empty()) {
    body = nlohmann::json::parse(request.body, nullptr, false);
    if (!body.is_object()) {
      WriteEnvelope(response, ApiAnswer::Fail(kBizBadRequest, "the body must be a JSON object"),
                    verification.nonce);
      return;
    }
  }
  ApiCall call{request, *verification.user, body, verification.query, verification.nonce};
  handler(call, response);
}

std::function<void(const httplib::Request&, httplib::Response&)> ApiRouter::Verified(
    RawApiHandler handler) const {
  return [this, handler = std::move(handler)](const httplib::Request& request,
                                              httplib::Response& response) {
    Dispatch(request, response, handler);
  };
}

void ApiRouter::Post(const std::string& path, ApiHandler handler) {
  server_.Post(path, Verified(WithEnvelope(std::move(handler))));
}

void ApiRouter::Get(const std::string& path, ApiHandler handler) {
  server_.Get(path, Verified(WithEnvelope(std::move(handler))));
}

void ApiRouter::GetRaw(const std::string& path, RawApiHandler handler) {
  server_.Get(path, Verified(std::move(handler)));
}

}  // namespace qr_backend
