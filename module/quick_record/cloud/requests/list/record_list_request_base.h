#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/quick_record_list_result.h"

namespace quick_record {

// The record-list requests (all, mine, recent, single, meeting): high priority, the caller's trace
// id in every line, the body and answer lines under the request's own names, and "records" with
// "page_info" parsed into a QuickRecordListResult.
class RecordListRequestBase : public QuickRecordCgiRequest<QuickRecordListResult> {
 public:
  const std::string& trace_id() const { return trace_id_; }

 protected:
  // `body_tag` starts the body line ("QuickRecordAllRecordList request body:"), `response_tag`
  // the answer line ("Request all record list cgi response, trace_id: ").
  RecordListRequestBase(const char* body_tag, const char* response_tag)
      : body_tag_(body_tag), response_tag_(response_tag) {}

  void InitList(const std::string& path, const base::json::JsonValue& body, const std::string& trace_id);
  void PrepareResult(bool transport_success, QuickRecordListResult* result) override;
  void ParseData(const base::json::JsonValue& json, QuickRecordListResult* result) override;
  void LogResponse(bool ok, const QuickRecordListResult& result) override;

 private:
  const char* body_tag_;
  const char* response_tag_;
  std::string trace_id_;
};

}  // namespace quick_record
