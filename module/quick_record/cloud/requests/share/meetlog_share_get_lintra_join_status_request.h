#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Whether sharing a record into the messenger is on: "/v2/meetlog/permission/get-invite-join-state".
class MeetlogShareGetLintraJoinStatusRequest : public QuickRecordCgiRequest<QuickRecordDataResp<bool>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/get-invite-join-state";

  void InitData(const GetLintraJoinStatusReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<bool>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<bool>& result) override;
};

}  // namespace quick_record
