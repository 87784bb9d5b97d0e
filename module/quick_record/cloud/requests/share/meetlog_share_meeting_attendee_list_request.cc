#include "module/quick_record/cloud/requests/share/meetlog_share_meeting_attendee_list_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"
#include "module/quick_record/cloud/requests/share/share_user_json.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

void MeetlogShareMeetingAttendeeListRequest::InitData(const GetUserInfoReq& req) {
  JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("scene", req.scene);
  body.SetJsonObject("page", req.page);
  if (!req.key_word.empty()) body.SetJsonObject("key_word", req.key_word);
  InitPost(req.key_word.empty() ? kParticipantPath : kSearchPath, body);
  KLOG(6) << "attendee list request body:" << body.ToCompactString();
}

void MeetlogShareMeetingAttendeeListRequest::ParseData(const JsonValue& json,
                                                       QuickRecordDataResp<MeetingAttendeeListResult>* result) {
  const JsonValue data = json["data"];
  MeetingAttendeeListResult& list = result->data;
  list.count = Read::Int64(data, "count");
  list.granted_cnt = Read::Int64(data, "granted_cnt");
  list.has_more = Read::Bool(data, "has_more");
  list.is_large_meeting = Read::Bool(data, "is_large_meeting");
  list.is_large_all_selected = Read::Bool(data, "is_large_all_selected");
  list.blacklist_size = Read::Int64(data, "blacklist_size");
  list.data_version = Read::Text(data, "data_version");
  list.next_page = Read::Int32(data, "next_page");
  list.list = Read::Objects(data["list"], &ShareUserJson::ParseUser);
}

void MeetlogShareMeetingAttendeeListRequest::LogResponse(bool ok,
                                                         const QuickRecordDataResp<MeetingAttendeeListResult>& result) {
  if (ok) {
    const MeetingAttendeeListResult& list = result.data;
    KLOG(6) << "attendee list request sucess: nonce=" << result.nonce << ",granted_count=" << list.granted_cnt
            << ",is_large_meeting=" << list.is_large_meeting << ",selected all=" << list.is_large_all_selected
            << ",next_page=" << list.next_page << ",blocklist_size=" << list.blacklist_size;
  } else {
    cgi_request::LogOutcomeWithNonce("attendee list request failed: nonce=", false, result);
  }
}

}  // namespace quick_record
