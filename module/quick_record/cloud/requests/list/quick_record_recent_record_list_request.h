#pragma once

#include "module/quick_record/cloud/requests/list/record_list_req.h"
#include "module/quick_record/cloud/requests/list/record_list_request_base.h"

namespace quick_record {

// One page of the records the user opened lately.
class QuickRecordRecentRecordListRequest : public RecordListRequestBase {
 public:
  static constexpr char kPath[] = "/v2/meetlog/recent/list";

  QuickRecordRecentRecordListRequest()
      : RecordListRequestBase("QuickRecordRecentRecordList request body:",
                              "Request recent record list cgi response, trace_id: ") {}
  void InitData(const RecordListReq& req);
};

}  // namespace quick_record
