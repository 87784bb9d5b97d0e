#include "host/sdk/cgi/fake_request_transport.h"

namespace KOVANI_CGI {

void FakeRequestTransport::SetResponder(const std::string& path, Responder responder) {
  std::lock_guard lock(mutex_);
  responders_[path] = std::move(responder);
}

void FakeRequestTransport::AnswerJson(const std::string& path, const std::string& body, int status) {
  SetResponder(path, [body, status](const TransportRequest&) { return Json(body, status); });
}

void FakeRequestTransport::AnswerEnvelope(const std::string& path, int64_t code, const std::string& msg,
                                          const base::json::JsonValue& data) {
  SetResponder(path, [code, msg, data](const TransportRequest& request) {
    return Envelope(request, code, msg, data);
  });
}

void FakeRequestTransport::AnswerFailure(const std::string& path, base::net::NetError error) {
  SetResponder(path, [error](const TransportRequest&) { return Failed(error); });
}

std::vector<TransportRequest> FakeRequestTransport::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t FakeRequestTransport::pending_count() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

std::vector<TransportRequest> FakeRequestTransport::pending_requests() const {
  std::lock_guard lock(mutex_);
  std::vector<TransportRequest> waiting;
  for (const auto& entry : pending_) waiting.push_back(entry.first);
  return waiting;
}

bool FakeRequestTransport::AnswerNextPending(const TransportResponse& response) {
  Done done;
  {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) return false;
    done = std::move(pending_.front().second);
    pending_.erase(pending_.begin());
  }
  done(response);
  return true;
}

TransportResponse FakeRequestTransport::Json(const std::string& body, int status) {
  TransportResponse response;
  response.status = status;
  response.body = body;
  response.remote_ip = "127.0.0.1";
  response.headers.emplace_back("content-type", "application/json");
  return response;
}

TransportResponse FakeRequestTransport::Envelope(const TransportRequest& request, int64_t code,
                                                 const std::string& msg, const base::json::JsonValue& data) {
  auto body = base::json::JsonValue::Object();
  body.SetJsonObject("code", code);
  body.SetJsonObject("msg", msg);
  body.SetJsonObject("nonce", request.Param("nonce"));
  if (!data.IsNull()) body.SetJsonObject("data", data);
  return Json(body.ToCompactString());
}

TransportResponse FakeRequestTransport::Failed(base::net::NetError error) {
  TransportResponse response;
  response.error = error;
  response.error_text = "fake transport failure";
  return response;
}

void FakeRequestTransport::Send(TransportRequest request, Done done) {
  Responder responder;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
    auto it = responders_.find(request.path);
    if (it == responders_.end()) {
      pending_.emplace_back(std::move(request), std::move(done));
      return;
    }
    responder = it->second;
  }
  done(responder(request));
}

}  // namespace KOVANI_CGI
