#pragma once

#include <string>

namespace quick_record {

// A file name to be checked by the back end's censor before upload.
struct MeetlogLocalBatchSensorInfo {
  std::string file_id;
  std::string file_name;
};

}  // namespace quick_record
