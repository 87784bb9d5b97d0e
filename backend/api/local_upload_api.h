#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// Uploading local files as records: the limits ("/v2/meetlog/dashboard/upload_infos"), the
// file-name censor ("/v2/meetlog/censor/batch-censor-filename") and the end of a batch
// ("/v2/meetlog/control/batch-upload-finish"). Each file is started and completed through the
// record-control endpoints like a recording.
class LocalUploadApi {
 public:
  explicit LocalUploadApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer Limits(const ApiCall& call);
  ApiAnswer CensorFileNames(const ApiCall& call);
  ApiAnswer FinishBatch(const ApiCall& call);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
