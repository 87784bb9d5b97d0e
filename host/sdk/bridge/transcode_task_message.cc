#include "host/sdk/bridge/transcode_task_message.h"

namespace kovanisdk::bridge {

base::json::JsonValue TranscodeTaskMessage::ToJson() const {
  base::json::JsonValue m = base::json::JsonValue::Object();
  m.SetJsonObject("instance_id", instance_id);
  m.SetJsonObject("in_video_file", in_video_file);
  m.SetJsonObject("in_video_index_file", in_video_index_file);
  m.SetJsonObject("in_audio_file", in_audio_file);
  m.SetJsonObject("in_audio_index_file", in_audio_index_file);
  m.SetJsonObject("output_file", output_file);
  m.SetJsonObject("output_m4a_file", output_m4a_file);
  m.SetJsonObject("is_record_complete", is_record_complete);
  m.SetJsonObject("transcoding_threshold", transcoding_threshold);
  m.SetJsonObject("record_time_duration", record_time_duration);
  m.SetJsonObject("is_local_record", is_local_record);
  m.SetJsonObject("need_upload_file", need_upload_file);
  m.SetJsonObject("upload_cover_file", upload_cover_file);
  m.SetJsonObject("is_recovery_upload", is_recovery_upload);
  return m;
}

}  // namespace kovanisdk::bridge
