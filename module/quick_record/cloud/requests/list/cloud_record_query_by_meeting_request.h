#pragma once

#include "module/quick_record/cloud/requests/list/meeting_record_list_req.h"
#include "module/quick_record/cloud/requests/list/record_list_request_base.h"

namespace quick_record {

// One page of the records of a meeting: "/v2/meetlog/dashboard/meeting-record-list".
class CloudRecordQueryByMeetingRequest : public RecordListRequestBase {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/meeting-record-list";

  CloudRecordQueryByMeetingRequest()
      : RecordListRequestBase("QuickRecordMeetingRecordList request body:",
                              "QuickRecordMeetingRecordList request response, trace_id: ") {}
  void InitData(const MeetingRecordListReq& req);
};

}  // namespace quick_record
