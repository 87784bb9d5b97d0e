#pragma once

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/list/rename_review_status_req.h"
#include "module/quick_record/cloud/requests/list/update_record_title_req.h"

namespace quick_record {

// Asks for a new title: "/v2/meetlog/dashboard/update-record-info". The answer names the content
// review that decides whether the title is taken.
class CloudRecordRenameRecordDataRequest : public QuickRecordCgiRequest<QuickRecordDataResp<RenameReviewStatusReq>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/update-record-info";

  void InitData(const UpdateRecordTitleReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<RenameReviewStatusReq>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<RenameReviewStatusReq>& result) override;
};

}  // namespace quick_record
