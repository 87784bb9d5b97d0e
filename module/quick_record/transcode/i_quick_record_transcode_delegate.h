#pragma once

#include <cstdint>
#include <string>

#include "host/base/json/json_value.h"

namespace quick_record {

// Which kind of upload an OnTransocdeUploadFileFinished or OnTranscodeUploadFileFailed reports.
inline constexpr char kUploadFilePartFinished[] = "QR_UPLOAD_FILE_PART_FINISHED";
inline constexpr char kUploadFileComplete[] = "QR_UPLOAD_FILE_COMPLETE";
inline constexpr char kUploadCoverFileFinished[] = "QR_UPLOAD_COVER_FILE_FINISHED";
inline constexpr char kUploadError[] = "QR_UPLOAD_ERROR";

// One uploaded piece: a part, the whole MP4 or the cover.
struct TranscodeUploadFileInfo {
  std::string kind;
  std::string instance_id;
  std::string record_id;
  std::string file_id;
  std::string file_path;
  int64_t file_size = 0;
  bool is_recovery_upload = false;
};

// Every field of "quick_record:upload_file_error".
struct TranscodeUploadError {
  std::string kind = kUploadError;
  std::string instance_id;
  int32_t error_code = 0;
  std::string error_msg;
  int32_t cos_error_code = 0;
  int32_t cos_upload_result = 0;
  int64_t cos_upload_current_state = 0;
  std::string request_type;
  bool network_break = false;
  std::string upload_type;
};

// The upload model's side of the transcode process. Called on the main looper, one event at a
// time, in the order the process sent them.
class IQuickRecordTranscodeDelegate {
 public:
  virtual ~IQuickRecordTranscodeDelegate() = default;
  virtual void OnTranscodeStarted(const std::string& instance_id) = 0;
  virtual void OnTranscodeRecordFileSizeChanged(const std::string& instance_id, int64_t current_record_file_size) = 0;
  virtual void OnTranscodeProgress(const std::string& instance_id, const std::string& record_id, double progress_rate,
                                   bool is_local_record, bool need_deceit) = 0;
  // `result` is already converted by TranscodeErrorCodeConvert.
  virtual void OnTranscodeFinish(const std::string& instance_id, int32_t result, int64_t muxer_event_duration) = 0;
  virtual void OnTranscodeStartUploadPart(const std::string& instance_id, const std::string& block_file_id,
                                          const std::string& block_file_path) = 0;
  virtual void OnTransocdeUploadFileFinished(const TranscodeUploadFileInfo& info) = 0;
  virtual void OnTranscodeUploadFileFailed(const TranscodeUploadError& error) = 0;
  virtual void OnTranscodeProcessCreateTimeout() = 0;
  virtual void OnTranscodeProcessCreateFailed(int32_t error_code) = 0;
  virtual void OnTranscodeProcessExit() = 0;
  virtual void OnTranscodeDataReport(const base::json::JsonValue& params) = 0;
};

// The local upload controller's side of the transcode process (local files from disk).
class ILocalUploadProcessDelegate {
 public:
  virtual ~ILocalUploadProcessDelegate() = default;
  virtual void OnSubprocessStarted() = 0;
  virtual void OnSubprocessCreateTimeout() = 0;
  virtual void OnSubprocessCreateFailed(int32_t error_code) = 0;
  virtual void OnSubprocessExit() = 0;
  virtual void OnLocalUploadComplete(const std::string& instance_id, const std::string& local_file_path) = 0;
  virtual void OnLocalUploadProgress(const std::string& instance_id, const std::string& local_file_path,
                                     int64_t uploaded_file_size, int64_t total_file_size) = 0;
  virtual void OnLocalUploadError(const std::string& instance_id, const std::string& local_file_path,
                                  const std::string& cos_url, int32_t error_code, const std::string& error_msg,
                                  int32_t cos_error_code, int32_t cos_upload_result) = 0;
  virtual void OnLocalUploadStarted(const std::string& instance_id, const std::string& local_file_path) = 0;
};

}  // namespace quick_record
