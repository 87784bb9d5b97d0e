#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/media/audio/audio_capture_impl.h"
#include "host/media/audio/audio_pipeline.h"
#include "host/media/audio/audio_track.h"
#include "host/media/engine_listeners.h"
#include "host/media/capture/frame_image.h"
#include "host/media/media_types.h"
#include "host/media/capture/video_capture_impl.h"
#include "host/media/encoding/video_pipeline.h"
#include "host/media/encoding/video_track.h"

namespace kvp::av {

// The files of one recording from its first start to its finalise, and the threads of the
// segment that is running. Segments follow each other on one timeline: each starts where the
// previous one ended, so a pause leaves no gap. Not thread-safe; the file recorder serialises.
// While a segment runs, only its video thread touches the video track.
class RecordingSession {
 public:
  static std::unique_ptr<RecordingSession> Open(const std::vector<std::string>& files, const MediaData& data,
                                                const RecorderConfig& config, EngineListeners& listeners,
                                                int32_t* code);
  ~RecordingSession();
  RecordingSession(const RecordingSession&) = delete;
  RecordingSession& operator=(const RecordingSession&) = delete;

  bool Matches(const std::vector<std::string>& files) const { return files == files_; }
  // Where the next segment starts on the timeline (the end of what was recorded).
  int64_t timeline_us() const { return timeline_us_; }

  void Start(int32_t mode, int32_t fps, VideoCaptureImpl& video, AudioCaptureImpl& audio, int64_t now_ms);
  void Pause(int64_t now_ms);
  // Drains the encoders and closes the files; the session is done after.
  int32_t Finish();
  // A cover of the last picture written (of the next one while recording).
  int32_t SaveCover(const std::string& path, int64_t* size_bytes);

 private:
  RecordingSession(EngineListeners& listeners) : listeners_(listeners) {}
  void ReportFailure(int32_t code);

  EngineListeners& listeners_;
  std::vector<std::string> files_;
  RecorderConfig config_;
  std::unique_ptr<VideoTrack> video_;
  std::unique_ptr<AudioTrack> audio_;
  int64_t audio_origin_us_ = 0;
  int64_t timeline_us_ = 0;
  int64_t segment_start_ms_ = 0;
  std::unique_ptr<VideoPipeline> video_pipeline_;
  std::unique_ptr<AudioPipeline> audio_pipeline_;
  std::atomic<bool> failure_reported_{false};
};

}  // namespace kvp::av
