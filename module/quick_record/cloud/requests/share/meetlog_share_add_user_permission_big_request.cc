#include "module/quick_record/cloud/requests/share/meetlog_share_add_user_permission_big_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/requests/share/share_user_json.h"

namespace quick_record {

void MeetlogShareAddUserPermissionBigRequest::InitData(const UpdateUserPermissionReq& req) {
  base::json::JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("custom_info", req.custom_info);
  body.SetJsonObject("is_participant_all", req.is_participant_all ? 1 : 0);
  body.SetJsonObject("uuid", req.uuid);
  if (!req.selected_list.empty()) body.SetJsonObject("selected_list", ShareUserJson::MemberArray(req.selected_list));
  if (!req.deleted_list.empty()) body.SetJsonObject("deleted_list", ShareUserJson::MemberArray(req.deleted_list));
  InitPost(kPath, body);
  KLOG(6) << "user access set big request: id=" << req.uni_record_id << ",custom_info=" << req.custom_info
          << ",select_all=" << req.is_participant_all << ",select size=" << req.selected_list.size()
          << ",block size=" << req.deleted_list.size();
}

void MeetlogShareAddUserPermissionBigRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  cgi_request::LogOutcomeWithNonce("user access set big request result: nonce=", ok, result);
}

}  // namespace quick_record
