#include "module/quick_record/cloud/requests/share/meetlog_video_share_link_data_update_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

using base::json::JsonValue;

void MeetlogVideoShareLinkDataUpdateRequest::InitData(const tagLinkSetData& data) {
  JsonValue body = cgi_request::UniRecordIdBody(data.uni_record_id);
  body.SetJsonObject("record_type", std::to_string(data.record_type));
  body.SetJsonObject("switch_state", data.switch_state);
  // A group carries its own access level and wins over a point; 0 means neither was chosen.
  if (data.group_id >= 1) {
    JsonValue group = JsonValue::Object();
    group.SetJsonObject("group_id", data.group_id);
    group.SetJsonObject("access_id", data.access_id);
    body.SetJsonObject("permission_group_cfg", group);
  } else if (data.point_id > 0) {
    JsonValue point = JsonValue::Object();
    point.SetJsonObject("point_id", data.point_id);
    body.SetJsonObject("permission_point_cfg", point);
  }
  body.SetJsonObject("expired_time", data.expired_time);
  body.SetJsonObject("expired_time_type", data.expired_time_type);
  body.SetJsonObject("download_enable", data.download_enable);
  body.SetJsonObject("view_minutes_enable", data.view_minutes_enable);
  body.SetJsonObject("pwd", data.pwd);
  InitPost(kPath, body);
  KLOG(6) << "share link set request: id=" << data.uni_record_id << ",type=" << data.record_type
          << ",body=" << body.ToCompactString();
}

void MeetlogVideoShareLinkDataUpdateRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  if (ok) {
    KLOG(6) << "share link set request sucess: nonce=" << result.nonce;
  } else {
    cgi_request::LogStatusFailure("share link set request failed: status_code=", result);
  }
}

}  // namespace quick_record
