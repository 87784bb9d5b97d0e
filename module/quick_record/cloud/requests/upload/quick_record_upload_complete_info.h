#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// Describes a local file that has been uploaded as a recording.
struct QuickRecordUploadCompleteInfo {
  std::string record_start_time;
  std::string record_id;
  std::string file_size;  // decimal bytes
  std::string file_type;
  std::string file_duration;  // decimal milliseconds
  std::string record_type;    // optional
  std::string batch_id;       // optional
  int32_t specker_nums = 0;
  bool is_enable_intelligent_record = false;
};

}  // namespace quick_record
