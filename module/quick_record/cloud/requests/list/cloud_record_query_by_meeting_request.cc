#include "module/quick_record/cloud/requests/list/cloud_record_query_by_meeting_request.h"

namespace quick_record {

void CloudRecordQueryByMeetingRequest::InitData(const MeetingRecordListReq& req) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("meeting_id", req.meeting_id);
  body.SetJsonObject("sub_meeting_id", req.sub_meeting_id);
  body.SetJsonObject("room_id", req.room_id);
  body.SetJsonObject("page_size", req.page_size);
  body.SetJsonObject("last_index", req.last_index);
  body.SetJsonObject("source", req.source);
  InitList(kPath, body, req.trace_id);
}

}  // namespace quick_record
