#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/json/json_value.h"
#include "host/sdk/cgi/request_transport.h"

namespace KOVANI_CGI {

// A transport for unit tests: records every request and answers from canned responses by URL
// path; a request whose path has no canned response waits until the test answers it. Install it
// with ScopedRequestTransport; answers reach HandleBizResponse on the main looper, so a test
// under base::test::TestTaskEnvironment calls RunUntilIdle() after sending:
//
//   auto fake = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
//   KOVANI_CGI::ScopedRequestTransport scoped(fake);
//   fake->AnswerEnvelope("/v2/meetlog/query/record-capacity", 0, "ok", data);
//   request->Run(callback);
//   env.RunUntilIdle();
//   EXPECT_EQ(fake->requests()[0].body, ...);
class FakeRequestTransport : public RequestTransport {
 public:
  using Responder = std::function<TransportResponse(const TransportRequest& request)>;

  // Every later request to `path` is answered by `responder` (replacing an earlier one).
  void SetResponder(const std::string& path, Responder responder);
  // ... with HTTP `status` and `body`.
  void AnswerJson(const std::string& path, const std::string& body, int status = 200);
  // ... with the back end's envelope {"code", "msg", "nonce" (the request's), "data" (unless null)}.
  void AnswerEnvelope(const std::string& path, int64_t code, const std::string& msg,
                      const base::json::JsonValue& data = base::json::JsonValue());
  // ... with a transport failure (no answer).
  void AnswerFailure(const std::string& path, base::net::NetError error);

  // Every request sent, in order.
  std::vector<TransportRequest> requests() const;
  // Requests still waiting for an answer, in order.
  size_t pending_count() const;
  std::vector<TransportRequest> pending_requests() const;
  // Answers the oldest waiting request; false when none waits.
  bool AnswerNextPending(const TransportResponse& response);

  static TransportResponse Json(const std::string& body, int status = 200);
  static TransportResponse Envelope(const TransportRequest& request, int64_t code, const std::string& msg,
                                    const base::json::JsonValue& data = base::json::JsonValue());
  static TransportResponse Failed(base::net::NetError error);

  void Send(TransportRequest request, Done done) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Responder> responders_;
  std::vector<TransportRequest> requests_;
  std::vector<std::pair<TransportRequest, Done>> pending_;
};

}  // namespace KOVANI_CGI
