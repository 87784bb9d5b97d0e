#include "module/quick_record/cloud/requests/share/meetlog_video_share_link_data_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using base::json::JsonValue;
using Read = JsonFieldReader;

namespace {

tagLinkData::PermissionPoint ParsePoint(const JsonValue& json) {
  tagLinkData::PermissionPoint point;
  point.id = Read::Int32(json, "id");
  point.tip = Read::Text(json, "tip");
  point.switch_tip = Read::Text(json, "switch_tip");
  point.extra_type = Read::Int32(json, "extra_type");
  return point;
}

tagLinkData::AccessCfg ParseAccess(const JsonValue& json) {
  tagLinkData::AccessCfg access;
  access.id = Read::Int32(json, "id");
  access.tip = Read::Text(json, "tip");
  access.co_tip = Read::Text(json, "co_tip");
  access.is_remove = Read::Bool(json, "is_remove");
  return access;
}

tagLinkData::PermissionGroup ParseGroup(const JsonValue& json) {
  tagLinkData::PermissionGroup group;
  group.id = Read::Int32(json, "id");
  group.tip = Read::Text(json, "tip");
  group.default_access_id = Read::Int32(json, "default_access_id");
  group.access_cfg = Read::Objects(json["access_cfg"], &ParseAccess);
  return group;
}

void ParseSwitch(const JsonValue& json, tagLinkData::SwitchCfg* cfg) {
  cfg->default_state = Read::Bool(json, "default_state");
  cfg->close_tip = Read::Text(json, "close_tip");
  cfg->permission_point_id = Read::Int32(json, "permission_point_id");
  cfg->permission_group_id = Read::Int32(json, "permission_group_id");
  cfg->default_need_pwd = Read::Bool(json, "default_need_pwd");
  cfg->point_tip = Read::Text(json, "point_tip");
}

void ParseUiVisible(const JsonValue& json, tagLinkData::UiVisibleCfg* cfg) {
  cfg->lintra_share_visible = Read::Bool(json, "lintra_share_visible");
  cfg->company_contacts_visible = Read::Bool(json, "company_contacts_visible");
  cfg->new_meeting_member_visible = Read::Bool(json, "new_meeting_member_visible");
  cfg->download_visible = Read::Bool(json, "download_visible");
  cfg->view_minutes_visible = Read::Bool(json, "view_minutes_visible");
  cfg->expire_visible = Read::Bool(json, "expire_visible");
  cfg->senior_setting_visible = Read::Bool(json, "senior_setting_visible");
}

void ParseShare(const JsonValue& json, tagLinkData::ShareCfg* cfg) {
  cfg->share_id = Read::Text(json, "share_id");
  cfg->share_link = Read::Text(json, "share_link");
  cfg->share_link_short = Read::Text(json, "share_link_short");
  cfg->activity_id = Read::Text(json, "activity_id");
  cfg->activity_uid = Read::Text(json, "activity_uid");
}

void ParseUserShareSet(const JsonValue& json, tagLinkData::UserShareSet* set) {
  set->switch_state = Read::Bool(json, "switch_state");
  set->permission_point_cfg = Read::Int32(json, "permission_point_cfg");
  set->permission_group_cfg = Read::Int32(json, "permission_group_cfg");
  set->expired_time = Read::Int64(json, "expired_time");
  set->expired_time_type = Read::Int32(json, "expired_time_type");
  set->download_enable = Read::Bool(json, "download_enable");
  set->view_minutes_enable = Read::Bool(json, "view_minutes_enable");
}

}  // namespace

void MeetlogVideoShareLinkDataRequest::InitData(const MeetlogVideoShareLinkDataReq& req) {
  JsonValue body = cgi_request::UniRecordIdBody(req.uni_record_id);
  body.SetJsonObject("record_type", std::to_string(req.record_type));
  body.SetJsonObject("is_creator", true);
  InitPost(kPath, body);
  KLOG(6) << "share link get request: id=" << req.uni_record_id << ",type=" << req.record_type;
}

void MeetlogVideoShareLinkDataRequest::ParseData(const JsonValue& json, QuickRecordDataResp<tagLinkData>* result) {
  const JsonValue data = json["data"];
  tagLinkData& link = result->data;
  link.msg = Read::Text(data, "msg");
  link.is_success = Read::Bool(data, "is_success");
  link.record_type = Read::Int32(data, "record_type");
  ParseSwitch(data["switch_cfg"], &link.switch_cfg);
  ParseUiVisible(data["ui_visible_cfg"], &link.ui_visible_cfg);
  ParseShare(data["share_cfg"], &link.share_cfg);
  link.permission_point_cfg = Read::Objects(data["permission_point_cfg"], &ParsePoint);
  link.permission_group_cfg = Read::Objects(data["permission_group_cfg"], &ParseGroup);
  ParseUserShareSet(data["user_share_set"], &link.user_share_set);
  link.out_tip = Read::Text(data, "out_tip");
  link.is_gray = Read::Bool(data, "is_gray");
  link.assign_user_num = Read::Int32(data, "assign_user_num");
  if (data["grant_permisson_cfg"].IsObject()) link.grant_permisson_cfg = data["grant_permisson_cfg"].ToCompactString();
  link.role_type = Read::Int32(data, "role_type");
}

void MeetlogVideoShareLinkDataRequest::LogResponse(bool ok, const QuickRecordDataResp<tagLinkData>& result) {
  if (ok) {
    KLOG(6) << "share link get request sucess: nonce=" << result.nonce;
  } else {
    cgi_request::LogStatusFailure("share link get request failed: status_code=", result);
  }
}

}  // namespace quick_record
