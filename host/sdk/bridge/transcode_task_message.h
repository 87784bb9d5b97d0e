#pragma once

#include <cstdint>
#include <string>

#include "host/base/json/json_value.h"

namespace kovanisdk::bridge {

// "quick_record:start_transcode": what the quick-record module asks of the transcode process for
// one recording. The module writes it with ToJson(); the process reads the same fields back
// (transcoder/record_task_params.cc), so both ends share this one description.
struct TranscodeTaskMessage {
  static constexpr char kName[] = "quick_record:start_transcode";

  std::string instance_id;
  std::string in_video_file;
  std::string in_video_index_file;  // empty: "<in_video_file>idx"
  std::string in_audio_file;
  std::string in_audio_index_file;  // empty: "<in_audio_file>idx"
  std::string output_file;
  std::string output_m4a_file;
  bool is_record_complete = false;
  // New frames (video and audio together) that make a remux pass worth doing while recording.
  int64_t transcoding_threshold = 50;
  int64_t record_time_duration = 0;
  bool is_local_record = false;
  bool need_upload_file = true;
  bool upload_cover_file = true;
  bool is_recovery_upload = false;

  base::json::JsonValue ToJson() const;
};

}  // namespace kovanisdk::bridge
