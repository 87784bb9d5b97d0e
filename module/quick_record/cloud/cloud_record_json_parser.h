#pragma once

#include "host/base/json/json_value.h"
#include "module/quick_record/cloud/cloud_record_item_resp.h"
#include "module/quick_record/cloud/quick_record_list_result.h"

namespace quick_record {

// Reads the records and paging of list answers, from the network or from the host's preload.
class CloudRecordJsonParser {
 public:
  static CloudRecordItemResp ParseItem(const base::json::JsonValue& item);
  static QuickRecordPageInfo ParsePageInfo(const base::json::JsonValue& page_info);
  // "records" and "page_info" of a list answer's "data"; a null "data" is logged and leaves both
  // empty.
  static void ParseListData(const base::json::JsonValue& data, QuickRecordListResult* result);
};

}  // namespace quick_record
