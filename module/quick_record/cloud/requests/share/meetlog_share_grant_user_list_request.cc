#include "module/quick_record/cloud/requests/share/meetlog_share_grant_user_list_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"
#include "module/quick_record/cloud/requests/share/share_user_json.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

void MeetlogShareGrantUserListRequest::InitData(const GetUserInfoReq& req) {
  JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("cursor", req.cursor.empty() ? std::string("0") : req.cursor);
  if (!req.source.empty()) body.SetJsonObject("source", req.source);
  if (req.page_size > 0) body.SetJsonObject("page_size", req.page_size);
  body.SetJsonObject("last_item_info", req.last_item_info);
  InitPost(kPath, body);
  KLOG(6) << "grant user list request body:" << body.ToCompactString();
}

void MeetlogShareGrantUserListRequest::ParseData(const JsonValue& json,
                                                 QuickRecordDataResp<GrantUserListResult>* result) {
  const JsonValue data = json["data"];
  GrantUserListResult& list = result->data;
  list.member_count = Read::Int64(data, "member_count");
  list.has_more = Read::Bool(data, "has_more");
  list.next_cursor = Read::Text(data, "next_cursor");
  list.last_item_info = Read::Text(data, "last_item_info");
  list.data_version = Read::Text(data, "data_version");
  list.selected_list = Read::Objects(data["selected_list"], &ShareUserJson::ParseGrantUser);
  list.creator = ShareUserJson::ParseUser(data["creator"]);
}

void MeetlogShareGrantUserListRequest::LogResponse(bool ok, const QuickRecordDataResp<GrantUserListResult>& result) {
  if (ok) {
    const GrantUserListResult& list = result.data;
    KLOG(6) << "grant user list request sucess: nonce=" << result.nonce << ",total_count=" << list.member_count
            << ",has_more=" << list.has_more << ",next_cursor=" << list.next_cursor
            << ",last_item_info=" << list.last_item_info << ",user_list size=" << list.selected_list.size();
  } else {
    cgi_request::LogOutcomeWithNonce("grant user list request failed: nonce=", false, result);
  }
}

}  // namespace quick_record
