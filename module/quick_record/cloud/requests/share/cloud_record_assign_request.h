#pragma once

#include "module/quick_record/cloud/requests/share/meetlog_share_types.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Adds and removes co-owners of a record: "/v2/meetlog/permission/setAssigner".
class CloudRecordAssignRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/setAssigner";

  void InitData(const UpdateGrantReq& req);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
