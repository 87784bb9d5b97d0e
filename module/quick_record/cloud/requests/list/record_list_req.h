#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// One page request of the all, mine or recent list.
struct RecordListReq {
  std::string last_index;  // "index" of the previous page's "page_info"; empty for the first page
  std::string last_uni_record_id;
  int64_t page_size = 0;
  std::string trace_id;
  // 0 all kinds, 1 cloud recordings only, 2 quick recordings and uploaded files.
  int32_t record_method_type = 0;
  bool is_first_page = false;
};

}  // namespace quick_record
