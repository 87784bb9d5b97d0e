#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "host/base/json/json_value.h"
#include "transcoder/event_sink.h"
#include "transcoder/multipart_upload.h"
#include "transcoder/record_task.h"

namespace qr_transcoder {

// The fields of "quick_record:local_start_upload" (and of the resume message). "video_auth_map"
// carries the authorisation text of each verb, as a local upload task keeps it.
struct LocalUploadParams {
  std::string instance_id;
  std::string local_file_path;
  std::string record_id;
  uint64_t segment_size = 0;
  CosGrant grant;

  static std::optional<LocalUploadParams> Parse(const base::json::JsonValue& json, std::string* problems);
};

// Uploads a plain file from disk in parts of "segment_size" (raised to the store's 5 MiB
// minimum), on a thread of its own. Pause aborts the part in flight and keeps the upload;
// resume takes it up again after listing its parts; cancel aborts the upload in the store.
// The upload state is saved in the state directory after every part, so a task started again
// for the same instance and file after a restart goes on with the same upload, keeping the parts
// the store lists; it is removed when the upload completes or is cancelled.
// Start, Pause, Resume and Cancel come from the bridge thread, one at a time.
class LocalUploadTask : public MultipartUpload::Listener {
 public:
  LocalUploadTask(LocalUploadParams params, TaskSettings settings, IEventSink* sink);
  ~LocalUploadTask() override;

  void Start();
  void Pause();
  void Resume(const LocalUploadParams& params);
  void Cancel();

  bool done() const { return done_.load(); }

 private:
  void Run();
  void Join();
  void SendError(int32_t code, const std::string& message, const CosResponse& cos);
  base::json::JsonValue Base() const;

  void OnPartStarted(int) override {}
  void OnPartUploaded(const CosPart& part) override;
  void OnStateChanged() override;

  LocalUploadParams params_;
  const TaskSettings settings_;
  IEventSink* const sink_;
  const std::string state_path_;
  UploadState state_;  // kept across pause, resume and restarts; the store has the final word
  uint64_t total_size_ = 0;
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> done_{false};
};

}  // namespace qr_transcoder
