#include "module/quick_record/upload/uploading_item.h"

namespace quick_record {

using base::variant::Variant;

Variant UploadingItem::ToVariant() const {
  Variant m = Variant::MakeMap();
  m.Set("k_instance_id", instance_id);
  m.Set("k_title", title);
  m.Set("k_start_record_time", start_record_time);
  m.Set("k_end_record_time", end_record_time);
  m.Set("k_upload_status", upload_status);
  m.Set("k_uploaded_size", uploaded_size);
  m.Set("k_total_size", total_size);
  m.Set("k_record_id", record_id);
  m.Set("k_full_path", full_path);
  m.Set("k_cover_uri", cover_uri);
  m.Set("k_fail_reason", fail_reason);
  m.Set("k_jump_url", jump_url);
  m.Set("k_is_record_complete", is_record_complete);
  m.Set("k_record_time_duration", record_time_duration);
  m.Set("k_trace_id", trace_id);
  m.Set("k_pro_scene_id", pro_scene_id);
  return m;
}

UploadingItem UploadingItem::FromVariant(const Variant& m) {
  UploadingItem item;
  item.instance_id = m.GetString("k_instance_id");
  item.title = m.GetString("k_title");
  item.start_record_time = m.GetInt64("k_start_record_time");
  item.end_record_time = m.GetInt64("k_end_record_time");
  item.upload_status = m.GetInt64("k_upload_status", kUploadStatusUploading);
  item.uploaded_size = m.GetInt64("k_uploaded_size");
  item.total_size = m.GetInt64("k_total_size");
  item.record_id = m.GetString("k_record_id");
  item.full_path = m.GetString("k_full_path");
  item.cover_uri = m.GetString("k_cover_uri");
  item.fail_reason = m.GetInt64("k_fail_reason");
  item.jump_url = m.GetString("k_jump_url");
  item.is_record_complete = m.GetBool("k_is_record_complete");
  item.record_time_duration = m.GetInt64("k_record_time_duration");
  item.trace_id = m.GetString("k_trace_id");
  item.pro_scene_id = m.GetString("k_pro_scene_id");
  return item;
}

PluginSaveOrUpdateLocalDataReqInfo UploadingItem::ToLocalRecordData() const {
  PluginSaveOrUpdateLocalDataReqInfo row;
  row.app_id = app_id;
  row.app_uid = app_uid;
  row.instance_id = instance_id;
  row.record_title = title;
  row.local_file_path = full_path;
  row.cover_path = cover_uri;
  row.record_id = record_id;
  row.complete_jump_url = jump_url;
  row.video_md5 = video_md5;
  row.start_record_time = start_record_time;
  row.record_end_time = end_record_time;
  row.width = width;
  row.height = height;
  row.video_length = record_time_duration;
  row.upload_status = upload_status;
  row.uploaded_size = uploaded_size;
  row.total_size = total_size;
  row.fail_reason = fail_reason;
  row.retry_action = retry_action;
  row.is_record_complete = is_record_complete;
  row.is_recovery_upload = is_recovery_upload;
  row.data_type = kLocalDataTypeQuickRecord;
  row.record_time_duration = record_time_duration;
  row.is_window_capture = is_window_capture;
  row.record_flag = record_flag;
  row.finished_time = finished_time;
  return row;
}

UploadingItem UploadingItem::FromLocalRecordData(const PluginSaveOrUpdateLocalDataReqInfo& row) {
  UploadingItem item;
  item.app_id = row.app_id;
  item.app_uid = row.app_uid;
  item.instance_id = row.instance_id;
  item.title = row.record_title;
  item.full_path = row.local_file_path;
  item.cover_uri = row.cover_path;
  item.record_id = row.record_id;
  item.jump_url = row.complete_jump_url;
  item.video_md5 = row.video_md5;
  item.start_record_time = row.start_record_time;
  item.end_record_time = row.record_end_time;
  item.width = row.width;
  item.height = row.height;
  item.upload_status = row.upload_status;
  item.uploaded_size = row.uploaded_size;
  item.total_size = row.total_size;
  item.fail_reason = row.fail_reason;
  item.retry_action = row.retry_action;
  item.is_record_complete = row.is_record_complete;
  item.is_recovery_upload = row.is_recovery_upload;
  item.record_time_duration = row.record_time_duration;
  item.is_window_capture = row.is_window_capture;
  item.record_flag = row.record_flag;
  item.finished_time = row.finished_time;
  return item;
}

}  // namespace quick_record
