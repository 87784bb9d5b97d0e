#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/share/tag_share_new_ui_cfg.h"

namespace quick_record {

// Which entries the new share dialog shows for a record: "/v2/meetlog/permission/get-ui-cfg".
class MeetlogVideoShareNewUiCfgRequest : public QuickRecordCgiRequest<QuickRecordDataResp<tagShareNewUiCfg>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/get-ui-cfg";

  void InitData(const MeetlogGetShareNewUiCfgReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<tagShareNewUiCfg>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<tagShareNewUiCfg>& result) override;
};

}  // namespace quick_record
