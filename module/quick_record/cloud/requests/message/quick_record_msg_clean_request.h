#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Clears the red dot of a page: "/v2/meetlog/reddot/clear".
class QuickRecordMsgCleanRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/reddot/clear";

  void InitData(const std::string& path);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
