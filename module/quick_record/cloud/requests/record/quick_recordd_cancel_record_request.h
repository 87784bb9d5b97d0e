#pragma once

#include <string>

#include "module/quick_record/cloud/requests/record/quick_record_cancel_record_result.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Deletes a started record: "/v2/record/control/delete".
class QuickRecorddCancelRecordRequest : public QuickRecordCgiRequest<QuickRecordCancelRecordResult> {
 public:
  static constexpr char kPath[] = "/v2/record/control/delete";

  void InitData(const std::string& record_id);

 protected:
  void PrepareResult(bool transport_success, QuickRecordCancelRecordResult* result) override;

 private:
  std::string record_id_;
};

}  // namespace quick_record
