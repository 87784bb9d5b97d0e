#include "module/quick_record/cloud/requests/record/quick_record_complete_record_request.h"

namespace quick_record {

using base::json::JsonValue;

void QuickRecordCompleteRecordRequest::InitData(const QuickRecordCompleteRecordInfo& info) {
  JsonValue body = CommonBody(
      {info.record_start_time, info.record_id, info.file_size, info.file_duration, info.record_type, info.batch_id});
  body.SetJsonObject("creator_instance_id", info.creator_instance_id);
  JsonValue ext_info = JsonValue::Object();
  ext_info.SetJsonObject("record_mode", info.record_mode);
  ext_info.SetJsonObject("screen_type", info.screen_type);
  // A size is only worth sending when both sides are known.
  if (info.video_width >= 1 && info.video_height >= 1) {
    ext_info.SetJsonObject("video_width", info.video_width);
    ext_info.SetJsonObject("video_height", info.video_height);
  }
  body.SetJsonObject("ext_info", ext_info);
  if (!info.batch_id.empty()) body.SetJsonObject("batch_upload_notify", info.batch_upload_notify);
  Send(body);
}

}  // namespace quick_record
