#include "module/quick_record/cloud/requests/record/quick_record_space_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

void QuickRecordSpaceRequest::InitData() { cgi_request::InitSigned(*this, kPath, kMethodPost); }

void QuickRecordSpaceRequest::ParseData(const base::json::JsonValue& json, QuickRecordSpaceInfo* result) {
  const base::json::JsonValue data = json["data"];
  if (!data.IsObject()) return;
  // Every value travels as decimal text.
  result->total_capacity = JsonFieldReader::DecimalText(data, "total_capacity");
  result->usedspace = JsonFieldReader::DecimalText(data, "usedspace");
  result->meetlog_used_capacity = JsonFieldReader::DecimalText(data, "meetlog_used_capacity");
  result->cloud_record_used_capacity = JsonFieldReader::DecimalText(data, "cloud_record_used_capacity");
  result->meetlog_count = JsonFieldReader::DecimalText(data, "meetlog_count");
  result->cloud_record_count = JsonFieldReader::DecimalText(data, "cloud_record_count");
  result->personal_record_count = JsonFieldReader::DecimalText(data, "personal_record_count");
  result->personal_used_space = JsonFieldReader::DecimalText(data, "personal_used_space");
  result->capacity_limit_switch = JsonFieldReader::DecimalText(data, "capacity_limit_switch") == 1;
}

void QuickRecordSpaceRequest::LogResponse(bool ok, const QuickRecordSpaceInfo& result) {
  cgi_request::LogRequestOutcome(ok, result);
}

}  // namespace quick_record
