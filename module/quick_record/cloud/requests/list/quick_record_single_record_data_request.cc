#include "module/quick_record/cloud/requests/list/quick_record_single_record_data_request.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/cloud_record_json_parser.h"

namespace quick_record {

void QuickRecordSingleRecordDataRequest::InitData(const SingleRecordDataReq& req) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("uni_record_id", req.uni_record_id);
  body.SetJsonObject("file_id", req.file_id);
  InitList(kPath, body, req.trace_id);
}

void QuickRecordSingleRecordDataRequest::ParseData(const base::json::JsonValue& json, QuickRecordListResult* result) {
  const base::json::JsonValue data = json["data"];
  if (data.IsNull()) {
    KLOG(3) << "Empty json object";
    return;
  }
  if (data["record"].IsObject()) result->records.push_back(CloudRecordJsonParser::ParseItem(data["record"]));
  result->page_info = CloudRecordJsonParser::ParsePageInfo(data["page_info"]);
}

}  // namespace quick_record
