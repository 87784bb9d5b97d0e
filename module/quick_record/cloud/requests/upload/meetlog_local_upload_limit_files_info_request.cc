#include "module/quick_record/cloud/requests/upload/meetlog_local_upload_limit_files_info_request.h"

#include "module/quick_record/cloud/json_field_reader.h"

namespace quick_record {

using Read = JsonFieldReader;

void MeetlogLocalUploadLimitFilesInfoRequest::InitData() { cgi_request::InitSigned(*this, kPath, kMethodPost); }

void MeetlogLocalUploadLimitFilesInfoRequest::ParseData(const base::json::JsonValue& json,
                                                        QuickRecordDataResp<MeetlogLocalUploadLimitFilesInfo>* result) {
  const base::json::JsonValue data = json["data"];
  MeetlogLocalUploadLimitFilesInfo& limits = result->data;
  limits.video_limit_info = Read::Text(data, "video_limit_info");
  limits.audio_limit_info = Read::Text(data, "audio_limit_info");
  limits.video_limit_type = Read::Text(data, "video_limit_type");
  limits.audio_limit_type = Read::Text(data, "audio_limit_type");
  limits.file_size_limit = Read::Text(data, "file_size_limit");
  limits.batch_file_count_limit = Read::Int64(data, "batch_file_count_limit");
  limits.batch_file_total_limit = Read::Int64(data, "batch_file_total_limit");
  limits.file_duration_limit = Read::Int64(data, "file_duration_limit");
  limits.switch_lock = Read::Int32(data, "switch_lock");
  limits.switch_status = Read::Int32(data, "switch_status");
}

}  // namespace quick_record
