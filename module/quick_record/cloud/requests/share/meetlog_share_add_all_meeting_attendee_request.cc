#include "module/quick_record/cloud/requests/share/meetlog_share_add_all_meeting_attendee_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

void MeetlogShareAddAllMeetingAttendeeRequest::InitData(const AddAllMeetingAttendeeReq& req) {
  InitPost(kPath, cgi_request::UniRecordIdBody(req.uni_record_id));
  KLOG(6) << "grant all meeting user request: id=" << req.uni_record_id;
}

void MeetlogShareAddAllMeetingAttendeeRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  cgi_request::LogOutcomeWithNonce("grant all meeting user request: nonce=", ok, result);
}

}  // namespace quick_record
