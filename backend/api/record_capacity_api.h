#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// "/v2/meetlog/query/record-capacity": the caller's cloud quota and what their records use.
class RecordCapacityApi {
 public:
  explicit RecordCapacityApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer Query(const ApiCall& call);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
