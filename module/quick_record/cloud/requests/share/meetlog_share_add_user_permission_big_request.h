#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Grants many users (or all attendees but the deleted ones) at once:
// "/v2/meetlog/permission/set-grant-users-big".
class MeetlogShareAddUserPermissionBigRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/set-grant-users-big";

  void InitData(const UpdateUserPermissionReq& req);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
