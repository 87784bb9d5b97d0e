#pragma once

#include "module/quick_record/cloud/requests/share/meeting_attendee_list_result.h"
#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// One page of the attendees of a record's meeting ("/v2/meetlog/permission/participant-list"), or
// of the users a key word finds ("/v2/meetlog/permission/search-user").
class MeetlogShareMeetingAttendeeListRequest
    : public QuickRecordCgiRequest<QuickRecordDataResp<MeetingAttendeeListResult>> {
 public:
  static constexpr char kParticipantPath[] = "/v2/meetlog/permission/participant-list";
  static constexpr char kSearchPath[] = "/v2/meetlog/permission/search-user";

  void InitData(const GetUserInfoReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<MeetingAttendeeListResult>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<MeetingAttendeeListResult>& result) override;
};

}  // namespace quick_record
