#pragma once

#include "module/quick_record/cloud/requests/list/record_list_req.h"
#include "module/quick_record/cloud/requests/list/record_list_request_base.h"

namespace quick_record {

// One page of the user's own records.
class QuickRecordListRequest : public RecordListRequestBase {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/my-record-list";

  QuickRecordListRequest()
      : RecordListRequestBase("QuickRecordMyRecordList request body:", "Request record list cgi response, trace_id: ") {
  }
  void InitData(const RecordListReq& req);
};

}  // namespace quick_record
