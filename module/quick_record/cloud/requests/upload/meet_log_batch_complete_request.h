#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Tells the back end that every file of an upload batch is confirmed:
// "/v2/meetlog/control/batch-upload-finish".
class MeetLogBatchCompleteRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/control/batch-upload-finish";

  void InitData(const std::string& batch_id);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
