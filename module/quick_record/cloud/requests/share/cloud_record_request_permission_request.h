#pragma once

#include <string>

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Asks the owner of a shared record for access: "/v2/meetlog/permission/record-apply". The answer
// names the application ("unique_id").
class CloudRecordRequestPermissionRequest : public QuickRecordCgiRequest<QuickRecordDataResp<std::string>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/record-apply";

  void InitData(const CloudRecordPermissionReq& req);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<std::string>* result) override;
  void LogResponse(bool ok, const QuickRecordDataResp<std::string>& result) override;

 private:
  std::string trace_id_;
};

}  // namespace quick_record
