#include "module/quick_record/cloud/requests/list/record_list_request_base.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/cloud/cloud_record_json_parser.h"

namespace quick_record {

void RecordListRequestBase::InitList(const std::string& path, const base::json::JsonValue& body,
                                     const std::string& trace_id) {
  trace_id_ = trace_id;
  InitPost(path, body);
  SetHighPriority();
  KLOG(6) << body_tag_ << path << ", body:" << body.ToStyledString() << ", trace_id:" << trace_id_;
}

void RecordListRequestBase::PrepareResult(bool, QuickRecordListResult* result) { result->trace_id = trace_id_; }

void RecordListRequestBase::ParseData(const base::json::JsonValue& json, QuickRecordListResult* result) {
  CloudRecordJsonParser::ParseListData(json["data"], result);
}

void RecordListRequestBase::LogResponse(bool ok, const QuickRecordListResult& result) {
  KLOG(6) << response_tag_ << trace_id_ << ", suc: " << ok << ", biz_code: " << result.biz_code
          << ", status_code: " << result.status_code << ", request_nonce: " << nonce()
          << ", response_nonce: " << result.nonce;
  if (!ok) {
    KLOG(3) << "request failed:"
            << ",code: " << result.biz_code << ",msg :" << result.msg << ", trace_id: " << trace_id_;
  }
}

}  // namespace quick_record
