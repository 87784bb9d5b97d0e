#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "host/media/audio/audio_capture_impl.h"
#include "host/media/engine_listeners.h"
#include "host/media/media_engine.h"
#include "host/media/recording_session.h"
#include "host/media/capture/video_capture_impl.h"

namespace kvp::av {

// The engine's file recorder: turns enable-recording and finalise into the segments and files of
// a recording session. Calls are serialised; the timeline position can be read at any time.
class FileRecorderImpl : public IFileRecorder {
 public:
  FileRecorderImpl(VideoCaptureImpl& video, AudioCaptureImpl& audio, EngineListeners& listeners)
      : video_(video), audio_(audio), listeners_(listeners) {}
  // Ends a recording that is still going.
  ~FileRecorderImpl();

  int32_t EnableRecording(bool on, const MediaData& data, const std::vector<std::string>& files,
                          const RecorderConfig& config, bool hold_files, int32_t mode) override;
  int32_t Finalize() override;
  int32_t SaveCover(const FrameImage* image, const std::string& path, int64_t* size_bytes) override;
  bool IsRecording() const override { return segment_start_ms_ != 0; }
  int64_t RecordedUs() const override;

 private:
  int32_t StartLocked(const MediaData& data, const std::vector<std::string>& files, const RecorderConfig& config,
                      int32_t mode);
  int32_t FinalizeLocked();

  VideoCaptureImpl& video_;
  AudioCaptureImpl& audio_;
  EngineListeners& listeners_;
  std::mutex mutex_;
  std::unique_ptr<RecordingSession> session_;
  // Read without the mutex: where the running segment started (0 when none) and the timeline
  // at its start.
  std::atomic<int64_t> segment_start_ms_{0};
  std::atomic<int64_t> timeline_us_{0};
};

}  // namespace kvp::av
