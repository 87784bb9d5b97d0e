#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_msg_info.h"

namespace quick_record {

// Pulls the red-dot state of a page: "/v2/meetlog/reddot/pull".
class QuickRecordMsgRequest : public QuickRecordCgiRequest<QuickRecordDataResp<QuickRecordMsgInfo>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/reddot/pull";

  void InitData(const std::string& path);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordDataResp<QuickRecordMsgInfo>* result) override;
};

}  // namespace quick_record
