#pragma once

#include <cstdint>
#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"
#include "module/quick_record/cloud/requests/message/quick_record_notice_item_resp.h"

namespace quick_record {

// One page of the user's notices: "/v2/meetlog/notice/list".
class QuickRecordNoticeListRequest : public QuickRecordCgiRequest<QuickRecordNoticeListResult> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/notice/list";
  static constexpr int32_t kDefaultPageSize = 50;

  void InitData(const std::string& last_index = "", int32_t page_size = kDefaultPageSize);

 protected:
  void ParseData(const base::json::JsonValue& json, QuickRecordNoticeListResult* result) override;
};

}  // namespace quick_record
