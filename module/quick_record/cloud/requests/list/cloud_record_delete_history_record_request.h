#pragma once

#include "module/quick_record/cloud/requests/list/delete_record_history_req.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Removes a record from the recent list: "/v2/meetlog/recent/del".
class CloudRecordDeleteHistoryRecordRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/recent/del";
  // The list item's record kind of a cloud recording.
  static constexpr int32_t kCloudRecordKind = 3;

  void InitData(const DeleteRecordHistoryReq& req);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
