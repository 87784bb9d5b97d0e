#pragma once

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_space_info.h"

namespace quick_record {

// Reads the user's cloud quota: "/v2/meetlog/query/record-capacity", a POST without a body.
class QuickRecordSpaceRequest : public QuickRecordCgiRequest<QuickRecordSpaceInfo> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/query/record-capacity";

  void InitData();

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordSpaceInfo* result) override;
  void LogResponse(bool ok, const QuickRecordSpaceInfo& result) override;
};

}  // namespace quick_record
