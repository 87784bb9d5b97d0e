#pragma once

#include <string>

namespace quick_record {

struct SingleRecordDataReq {
  std::string uni_record_id;
  std::string trace_id;
  std::string file_id;
};

}  // namespace quick_record
