#pragma once

#include <string>
#include <vector>

#include "module/quick_record/cloud/cloud_record_item_resp.h"
#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// "page_info" of a list answer.
struct QuickRecordPageInfo {
  std::string index;  // the cursor of the next page
  std::string size;
  std::string count;
  bool has_more = false;
};

// The result of every record-list request.
struct QuickRecordListResult : QuickRecordResultEnvelope {
  bool success = false;  // set by the plugin: business code 0 and HTTP 200
  bool from_preload = false;
  std::string trace_id;
  QuickRecordPageInfo page_info;
  std::vector<CloudRecordItemResp> records;
};

}  // namespace quick_record
