#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// Describes the uploaded file of a recording when it is completed.
struct QuickRecordCompleteRecordInfo {
  std::string record_start_time;
  std::string creator_instance_id;
  std::string record_id;
  std::string file_size;      // decimal bytes
  std::string file_duration;  // decimal milliseconds
  std::string record_mode;
  std::string screen_type;
  int32_t video_width = 0;
  int32_t video_height = 0;
  std::string record_type;  // optional
  std::string batch_id;     // optional
  bool batch_upload_notify = false;
};

}  // namespace quick_record
