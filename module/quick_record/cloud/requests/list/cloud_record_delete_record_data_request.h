#pragma once

#include <string>
#include <vector>

#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Deletes records by their unified ids: "/v2/meetlog/dashboard/delete-record-info".
class CloudRecordDeleteRecordDataRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/delete-record-info";

  void InitData(const std::vector<std::string>& uni_record_ids);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
