#pragma once

#include <string>
#include <vector>

#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// One entry of the user's record history; the back end sends more, the history view uses these.
struct MyRecordHistoryItemResp {
  std::string title;
  std::string start_time;
  std::string end_time;
  std::string duration;
  std::string cover_url;
  std::string record_id;
  std::string encode_record_id;
};

struct MyRecordHistoryListResult : QuickRecordResultEnvelope {
  std::string last_index;  // the cursor of the next page
  std::vector<MyRecordHistoryItemResp> records;
};

}  // namespace quick_record
