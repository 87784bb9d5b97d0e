#pragma once

#include <cstdint>
#include <string>

#include "host/base/variant/variant.h"
#include "module/quick_record/data/db/local_record_data_types.h"

namespace quick_record {

// Upload status of an item.
inline constexpr int64_t kUploadStatusUploading = 1;  // transcoding included
inline constexpr int64_t kUploadStatusUploaded = 2;
inline constexpr int64_t kUploadStatusFailed = 3;

// What the next attempt of a failed upload does.
enum RetryAction : int64_t {
  kRetryNone = 0,
  kRetryFreshStart = 1,  // transcode and upload from the beginning
  kRetryFreshStartAfterStoreLoss = 2,
  kRetryRecoverUpload = 3,  // resume an interrupted upload
  kRetryRefreshAuth = 4,    // new upload credentials, no new transcode
};

// One recording on its way to the cloud. `full_path` is the recording's path without ending;
// its stream files are that path plus ".kovtv", ".kovta" and so on.
struct UploadingItem {
  std::string app_id;
  std::string app_uid;
  std::string instance_id;
  std::string title;
  int64_t start_record_time = 0;
  int64_t end_record_time = 0;
  int64_t upload_status = kUploadStatusUploading;
  int64_t uploaded_size = 0;
  int64_t total_size = 0;
  std::string record_id;
  std::string full_path;
  std::string cover_uri;
  int64_t fail_reason = 0;
  std::string jump_url;
  bool is_record_complete = false;
  int64_t record_time_duration = 0;
  std::string trace_id;
  std::string pro_scene_id;
  int64_t width = 0;
  int64_t height = 0;
  bool is_window_capture = false;
  int64_t record_flag = 0;
  int64_t retry_action = kRetryFreshStart;
  bool is_recovery_upload = false;
  std::string video_md5;
  int64_t finished_time = 0;

  // The map view models receive ("k_instance_id", ...).
  base::variant::Variant ToVariant() const;
  // The database row of a quick recording.
  PluginSaveOrUpdateLocalDataReqInfo ToLocalRecordData() const;
  static UploadingItem FromLocalRecordData(const PluginSaveOrUpdateLocalDataReqInfo& row);
  // An item as older versions kept it in the user configuration (the same "k_" keys).
  static UploadingItem FromVariant(const base::variant::Variant& map);
};

}  // namespace quick_record
