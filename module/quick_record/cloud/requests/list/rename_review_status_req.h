#pragma once

#include <string>

namespace quick_record {

// Names the content review a rename opened, exactly as the rename answered it.
struct RenameReviewStatusReq {
  std::string fire_id;
  std::string biz_id;
  std::string resource_id;
  std::string resource_part_id;
  std::string version;  // empty: the rename needs no review
};

}  // namespace quick_record
