#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Switches sharing a record into the messenger on or off:
// "/v2/meetlog/permission/set-invite-join-state".
class MeetlogShareSetLintraJoinStatusRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/set-invite-join-state";

  void InitData(const SetLintraJoinStatusReq& req);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
