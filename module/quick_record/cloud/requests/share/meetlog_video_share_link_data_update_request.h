#pragma once

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/share/tag_link_set_data.h"

namespace quick_record {

// Stores a new share setting of a record: "/v2/meetlog/permission/set-cfg".
class MeetlogVideoShareLinkDataUpdateRequest : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/permission/set-cfg";

  void InitData(const tagLinkSetData& data);

 protected:
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;
};

}  // namespace quick_record
