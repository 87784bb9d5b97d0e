#pragma once

#include "module/quick_record/cloud/requests/list/record_list_request_base.h"
#include "module/quick_record/cloud/requests/list/single_record_data_req.h"

namespace quick_record {

// One record, answered as a list of one: "/v2/meetlog/main/get-record".
class QuickRecordSingleRecordDataRequest : public RecordListRequestBase {
 public:
  static constexpr char kPath[] = "/v2/meetlog/main/get-record";

  QuickRecordSingleRecordDataRequest()
      : RecordListRequestBase("QuickRecordSingleRecordData request body:",
                              "Request single record data cgi response, trace_id: ") {}
  void InitData(const SingleRecordDataReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordListResult* result) override;
};

}  // namespace quick_record
