#include "module/quick_record/cloud/requests/share/meetlog_video_share_new_ui_cfg_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void MeetlogVideoShareNewUiCfgRequest::InitData(const MeetlogGetShareNewUiCfgReq& req) {
  InitPost(kPath, cgi_request::UniRecordIdBody(req.uni_record_id));
  KLOG(6) << "get new ui cfg request: id=" << req.uni_record_id;
}

void MeetlogVideoShareNewUiCfgRequest::ParseData(const base::json::JsonValue& json,
                                                 QuickRecordDataResp<tagShareNewUiCfg>* result) {
  const base::json::JsonValue visible = json["data"]["ui_visible_cfg"];
  result->data.lintra_share_visible = JsonFieldReader::Bool(visible, "lintra_share_visible");
  result->data.company_contacts_visible = JsonFieldReader::Bool(visible, "company_contacts_visible");
  result->data.new_meeting_member_visible = JsonFieldReader::Bool(visible, "new_meeting_member_visible");
}

void MeetlogVideoShareNewUiCfgRequest::LogResponse(bool ok, const QuickRecordDataResp<tagShareNewUiCfg>& result) {
  if (ok) {
    KLOG(6) << "new ui cfg get request sucess: nonce=" << result.nonce;
  } else {
    cgi_request::LogStatusFailure("new ui cfg get failed: status_code=", result);
  }
}

}  // namespace quick_record
