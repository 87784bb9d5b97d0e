#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Clears the red dot of one record card: "/v2/meetlog/main/clear-reddot", a GET whose ids travel
// as query parameters.
class QuickRecordClearRedDotRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/main/clear-reddot";

  void InitData(const std::string& uni_record_id, const std::string& file_id);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
