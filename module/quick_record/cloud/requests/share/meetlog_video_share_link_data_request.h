#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/share/tag_link_data.h"

namespace quick_record {

// The share settings of a record and what the share dialog offers: "/v2/meetlog/permission/get-cfg".
class MeetlogVideoShareLinkDataRequest : public QuickRecordCgiRequest<QuickRecordDataResp<tagLinkData>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/get-cfg";

  void InitData(const MeetlogVideoShareLinkDataReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<tagLinkData>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<tagLinkData>& result) override;
};

}  // namespace quick_record
