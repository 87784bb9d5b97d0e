#pragma once

#include "module/quick_record/cloud/requests/share/grant_user_list_result.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// One page of the users a record is shared with: "/v2/meetlog/permission/granted-users".
class MeetlogShareGrantUserListRequest : public QuickRecordCgiRequest<QuickRecordDataResp<GrantUserListResult>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/granted-users";

  void InitData(const GetUserInfoReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<GrantUserListResult>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<GrantUserListResult>& result) override;
};

}  // namespace quick_record
