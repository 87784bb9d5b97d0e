#pragma once

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_info.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_result.h"

namespace quick_record {

// Reserves a record (or renews the credentials of a known one) and learns where its video and
// cover go: "/v2/record/control/get-start-data".
class QuickRecordStartRecordRequest : public QuickRecordCgiRequest<QuickRecordStartRecordResult> {
 public:
  static constexpr char kPath[] = "/v2/record/control/get-start-data";

  void InitData(const QuickRecordStartRecordInfo& info, bool use_quic);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordStartRecordResult* result) override;
  void LogResponse(bool ok, const QuickRecordStartRecordResult& result) override;
};

}  // namespace quick_record
