#pragma once

#include <cstdint>

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// How many attended the record's meeting: "/v2/meetlog/permission/get-participant-cnt".
class MeetlogShareGetMeetingAttendeeCntRequest : public QuickRecordCgiRequest<QuickRecordDataResp<int32_t>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/get-participant-cnt";

  void InitData(const GetMeetingAttendeeCntReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<int32_t>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<int32_t>& result) override;
};

}  // namespace quick_record
