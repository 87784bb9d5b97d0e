#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// What the account may upload from disk.
struct MeetlogLocalUploadLimitFilesInfo {
  std::string video_limit_info;  // for people: "mov, avi, ..."
  std::string audio_limit_info;
  std::string video_limit_type;  // comma-separated file endings
  std::string audio_limit_type;
  std::string file_size_limit;  // decimal gigabytes
  int64_t batch_file_count_limit = 0;
  int64_t batch_file_total_limit = 0;
  int64_t file_duration_limit = 0;  // milliseconds
  int32_t switch_lock = 0;
  int32_t switch_status = 0;
};

}  // namespace quick_record
