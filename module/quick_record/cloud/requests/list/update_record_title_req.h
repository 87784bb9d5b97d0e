#pragma once

#include <string>

namespace quick_record {

struct UpdateRecordTitleReq {
  std::string title;
  std::string description;  // sent only when not empty
  std::string uni_record_id;
};

}  // namespace quick_record
