#include "module/quick_record/cloud/requests/share/meetlog_share_set_lintra_join_status_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

void MeetlogShareSetLintraJoinStatusRequest::InitData(const SetLintraJoinStatusReq& req) {
  base::json::JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("status", req.status);
  InitPost(kPath, body);
  KLOG(6) << "set lintra join status: id=" << req.uni_record_id;
}

void MeetlogShareSetLintraJoinStatusRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  cgi_request::LogOutcomeWithNonce("set lintra join status: nonce=", ok, result);
}

}  // namespace quick_record
