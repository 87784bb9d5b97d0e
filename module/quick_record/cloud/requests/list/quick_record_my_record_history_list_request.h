#pragma once

#include <string>

#include "module/quick_record/cloud/requests/list/my_record_history_item_resp.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// One page of twenty of the user's record history: "/v2/meetlog/dashboard/my-record-list".
class QuickRecordMyRecordHistoryListRequest : public QuickRecordCgiRequest<MyRecordHistoryListResult> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/my-record-list";
  static constexpr int kPageSize = 20;

  void InitData(const std::string& last_index);

 protected:
  void ParseData(const base::json::JsonValue& json, MyRecordHistoryListResult* result) override;
};

}  // namespace quick_record
