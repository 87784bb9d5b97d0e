#pragma once

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/list/rename_review_status_req.h"
#include "module/quick_record/cloud/requests/list/rename_review_status_resp.h"

namespace quick_record {

// Asks how the review of a new title stands: "/v2/meetlog/censor/status".
class CloudRecordRenameReviewStatusRequest : public QuickRecordCgiRequest<QuickRecordDataResp<RenameReviewStatusResp>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/censor/status";

  void InitData(const RenameReviewStatusReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<RenameReviewStatusResp>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<RenameReviewStatusResp>& result) override;
};

}  // namespace quick_record
