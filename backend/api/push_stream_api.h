#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// "/v2/push/stream": a signed GET that stays open and carries the caller's push events as XML
// stanzas, one per line, with a "<ping/>" line first and whenever the stream was idle for the
// heartbeat interval. "after=<id>" resumes after the last event a client saw.
class PushStreamApi {
 public:
  static constexpr char kPath[] = "/v2/push/stream";

  explicit PushStreamApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  void Open(const ApiCall& call, httplib::Response& response);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
