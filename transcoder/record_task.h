#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "transcoder/event_sink.h"
#include "transcoder/multipart_upload.h"
#include "transcoder/record_task_params.h"
#include "transcoder/recording_remuxer.h"
#include "transcoder/upload_state.h"

namespace qr_transcoder {

struct TaskSettings {
  UploadPolicy upload;
  CosTimeouts timeouts;
  int64_t poll_ms = 200;
  // Where local uploads keep their state files (the recording's sits beside its MP4).
  std::string local_state_dir;
};

// One recording's transcode and upload, on a thread of its own so that a slow store or a large
// part never holds up the other tasks or the bridge. Commands (authorisation, end of the
// recording, stop) come from the bridge thread and are taken on the task's next turn.
//
// The transcode follows the streams until the recording ends, then writes the tail and reports
// "quick_record:transcode_finish". The upload starts once an authorisation arrives, sends parts
// as the file grows, and at the end completes the object, checks it, uploads the cover and
// reports in that order. An upload failure is reported and leaves the upload waiting: a new
// authorisation or a recovery message takes it up again where the store says it stands.
class RecordTask : public MultipartUpload::Listener {
 public:
  // `state` is an earlier state to continue (a recovery), or null for a fresh task.
  RecordTask(RecordTaskParams params, std::optional<UploadState> state, TaskSettings settings, IEventSink* sink);
  ~RecordTask() override;

  void Start();
  // Commands, from any thread.
  void SetAuth(const UploadAuth& auth);
  void RecordingFinished(int64_t record_time_duration);
  void Stop();
  // Sends a progress event now.
  void ReportProgress();
  // Ends the thread; what was acknowledged is in the state file already.
  void Shutdown();

  bool done() const { return done_.load(); }
  // The upload failed and waits for a new authorisation or a recovery.
  bool upload_failed() const { return upload_failed_.load(); }
  const RecordTaskParams& params() const { return params_; }

 private:
  enum class UploadPhase { kWaitingAuth, kUploading, kFailed, kComplete };

  void Run();
  void TranscodeTurn();
  void UploadTurn();
  void FinishUpload();
  void UploadCover();
  void ReportUploadError(int32_t code, const std::string& message, const std::string& phase, const CosResponse& cos,
                         const std::string& upload_type);
  void SendTranscodeFinish(int32_t result);
  void SendFileSize();
  void SaveState();
  base::json::JsonValue Base() const;

  // MultipartUpload::Listener
  void OnPartStarted(int number) override;
  void OnPartUploaded(const CosPart& part) override;
  void OnStateChanged() override { SaveState(); }

  const RecordTaskParams params_;
  const TaskSettings settings_;
  IEventSink* const sink_;
  const std::string state_path_;
  RecordingRemuxer remuxer_;
  UploadState state_;
  std::unique_ptr<MultipartUpload> upload_;
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> upload_failed_{false};

  // Commands, under mutex_.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<UploadAuth> new_auth_;
  bool record_complete_ = false;
  int64_t record_time_duration_ = 0;
  bool stop_ = false;
  bool shutdown_ = false;
  std::string record_id_;

  // Task thread only.
  UploadAuth auth_;
  UploadPhase phase_ = UploadPhase::kWaitingAuth;
  bool transcode_done_ = false;
  int32_t transcode_result_ = 0;
  uint64_t reported_size_ = 0;
  int64_t size_reported_ms_ = 0;
  std::atomic<uint64_t> uploaded_bytes_{0};
  std::atomic<uint64_t> muxed_bytes_{0};
};

}  // namespace qr_transcoder
