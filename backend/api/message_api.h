#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// Notices and red dots: a page's red dot ("/v2/meetlog/reddot/pull", ".../reddot/clear"), the
// notice list ("/v2/meetlog/notice/list") and a record card's red dot
// ("/v2/meetlog/main/clear-reddot", a GET with query parameters).
class MessageApi {
 public:
  explicit MessageApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer PullRedDot(const ApiCall& call);
  ApiAnswer ClearRedDot(const ApiCall& call);
  ApiAnswer ListNotices(const ApiCall& call);
  ApiAnswer ClearCardRedDot(const ApiCall& call);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
