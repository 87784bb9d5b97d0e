#include "module/quick_record/cloud/requests/share/meetlog_share_get_meeting_attendee_cnt_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void MeetlogShareGetMeetingAttendeeCntRequest::InitData(const GetMeetingAttendeeCntReq& req) {
  InitPost(kPath, cgi_request::UniRecordIdBody(req.uni_record_id));
  KLOG(6) << "get meeting attendee cnt request: id=" << req.uni_record_id;
}

void MeetlogShareGetMeetingAttendeeCntRequest::ParseData(const base::json::JsonValue& json,
                                                         QuickRecordDataResp<int32_t>* result) {
  result->data = JsonFieldReader::Int32(json["data"], "cnt");
}

void MeetlogShareGetMeetingAttendeeCntRequest::LogResponse(bool ok, const QuickRecordDataResp<int32_t>& result) {
  KLOG(ok ? 6 : 3) << "get meeting attendee cnt request: nonce=" << result.nonce << ",cnt=" << result.data
                   << ",biz_code=" << result.biz_code << ",msg=" << result.msg;
}

}  // namespace quick_record
