#include "module/quick_record/cloud/requests/share/meetlog_share_update_user_permission_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

using base::json::JsonValue;

void MeetlogShareUpdateUserPermissionRequest::InitData(const UpdateUserPermissionReq& req) {
  JsonValue list = JsonValue::Array();
  for (const auto& user : req.update_list) {
    JsonValue entry = JsonValue::Object();
    entry.SetJsonObject("app_id", user.app_id);
    entry.SetJsonObject("app_uid", user.app_uid);
    entry.SetJsonObject("permission_id", user.permission_id);
    list.AddaJsonObject(entry);
  }
  JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("custom_info", req.custom_info);
  body.SetJsonObject("list", list);
  InitPost(kPath, body);
  KLOG(6) << "user access set request: id=" << req.uni_record_id << ",updatelist size=" << req.update_list.size();
}

void MeetlogShareUpdateUserPermissionRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  cgi_request::LogOutcomeWithNonce("user access set request result: nonce=", ok, result);
}

}  // namespace quick_record
