#include "module/quick_record/cloud/requests/share/cloud_record_assign_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/requests/share/share_user_json.h"

namespace quick_record {

void CloudRecordAssignRequest::InitData(const UpdateGrantReq& req) {
  std::vector<ShareUserInfo> added;
  std::vector<ShareUserInfo> removed;
  for (const auto& member : req.members) (member.is_grant ? added : removed).push_back(member);
  base::json::JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("custom_info", req.custom_info);
  body.SetJsonObject("uuid", req.uuid);
  body.SetJsonObject("grant_from", req.grant_from);
  if (!added.empty()) body.SetJsonObject("add_members", ShareUserJson::MemberArray(added));
  if (!removed.empty()) body.SetJsonObject("del_members", ShareUserJson::MemberArray(removed));
  InitPost(kPath, body);
}

void CloudRecordAssignRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  if (ok) {
    KLOG(6) << "setAssigner request success.";
  } else {
    KLOG(3) << "setAssigner request failed:"
            << ",code: " << result.biz_code << ",msg :" << result.msg;
  }
}

}  // namespace quick_record
