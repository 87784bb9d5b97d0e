#pragma once

#include "module/quick_record/cloud/requests/list/record_list_req.h"
#include "module/quick_record/cloud/requests/list/record_list_request_base.h"

namespace quick_record {

// One page of every record the user may see.
class QuickRecordAllRecordListRequest : public RecordListRequestBase {
 public:
  static constexpr char kPath[] = "/v2/meetlog/main/list-all-record";

  QuickRecordAllRecordListRequest()
      : RecordListRequestBase("QuickRecordAllRecordList request body:",
                              "Request all record list cgi response, trace_id: ") {}
  void InitData(const RecordListReq& req);
};

}  // namespace quick_record
