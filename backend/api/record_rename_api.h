#pragma once

#include "api/api_router.h"

namespace qr_backend {

struct ApiContext;

// Renaming through content review: "/v2/meetlog/dashboard/update-record-info" opens a review of
// the new title, "/v2/meetlog/censor/status" polls it. A review answers pending for the
// configured number of polls, then accepted, or rejected when the title holds a blocked word;
// only an accepted title becomes the record's.
class RecordRenameApi {
 public:
  explicit RecordRenameApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer Rename(const ApiCall& call);
  ApiAnswer ReviewStatus(const ApiCall& call);

 private:
  ApiContext& context_;
};

}  // namespace qr_backend
