#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Grants every attendee of the record's meeting: "/v2/meetlog/permission/grant-all-participant".
class MeetlogShareAddAllMeetingAttendeeRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/grant-all-participant";

  void InitData(const AddAllMeetingAttendeeReq& req);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
