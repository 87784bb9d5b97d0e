#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// The life of a recording: "/v2/record/control/get-start-data" reserves a record (or re-issues
// upload credentials for one), "/v2/record/control/complete" checks the uploaded object and
// closes the record, "/v2/record/control/delete" cancels it with its objects.
class RecordControlApi {
 public:
  explicit RecordControlApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer GetStartData(const ApiCall& call);
  ApiAnswer Complete(const ApiCall& call);
  ApiAnswer Delete(const ApiCall& call);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
