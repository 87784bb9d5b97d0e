#include "module/quick_record/cloud/requests/share/meetlog_share_get_lintra_join_status_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void MeetlogShareGetLintraJoinStatusRequest::InitData(const GetLintraJoinStatusReq& req) {
  InitPost(kPath, cgi_request::UniRecordIdBody(req.uni_record_id));
  KLOG(6) << "get lintra join status: id=" << req.uni_record_id;
}

void MeetlogShareGetLintraJoinStatusRequest::ParseData(const base::json::JsonValue& json,
                                                       QuickRecordDataResp<bool>* result) {
  result->data = JsonFieldReader::Bool(json["data"], "status");
}

void MeetlogShareGetLintraJoinStatusRequest::LogResponse(bool ok, const QuickRecordDataResp<bool>& result) {
  cgi_request::LogOutcomeWithNonce("get lintra join status: nonce=", ok, result);
}

}  // namespace quick_record
