#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "host/media/engine_listeners.h"
#include "host/media/encoding/frame_clock.h"
#include "host/media/media_types.h"
#include "host/media/capture/video_capture_impl.h"
#include "host/media/encoding/video_track.h"

namespace kvp::av {

// The video thread of one running segment: at each frame slot of its clock it lets the sources
// draw into the track's picture (screen, camera full frame or camera head), encodes and writes
// it, and hands the frame to the stream listeners. A thread that falls a slot behind (an
// overloaded machine) drops the slots it missed, so that it captures what is on the screen now
// instead of piling up stale frames (a slot that can be a repeat of the last frame is made as
// one: it costs nothing); the first slot of a segment and the last one before a stop are always
// made, so the stream starts and ends where the segment does. A slot whose picture
// did not change is still a frame of its own (the timeline keeps its constant rate and the
// listeners count it), written as a cheap repeat of the last one (VideoTrack).
class VideoPipeline {
 public:
  struct Segment {
    int32_t mode = kRecordModeScreen;
    int64_t start_ms = 0;
    int64_t start_pts_us = 0;
    int32_t fps = 30;
    std::optional<Rect> camera_rect;
  };

  // `on_failure` gets the first write or encode failure (on the video thread).
  VideoPipeline(VideoTrack& track, VideoCaptureImpl& capture, EngineListeners& listeners,
                std::function<void(int32_t)> on_failure, const Segment& segment);
  ~VideoPipeline();
  VideoPipeline(const VideoPipeline&) = delete;
  VideoPipeline& operator=(const VideoPipeline&) = delete;

  // Ends the segment at `stop_ms`: the frames whose slots belong before it are made, then the
  // thread ends. Returns where the segment ends on the timeline.
  int64_t Stop(int64_t stop_ms);
  // Writes a JPEG cover of the next frame on the calling thread (waits for the frame, up to
  // three seconds; kErrNoFrame when no frame came).
  int32_t SaveCover(const std::string& path, int64_t* size_bytes);
  bool running() const;

  // The camera head when the config names none: a quarter of the width, 16:9, bottom right.
  static Rect DefaultCameraRect(int32_t width, int32_t height);

 private:
  struct CoverRequest {
    AVFrame* picture = nullptr;  // a reference to the next frame's picture
    bool done = false;
  };

  void Run();
  // Whether the next slot is the last one before a requested stop.
  bool LastSlotLocked() const;
  // Makes one frame (`repeat`: the last one again, without looking at the sources); false when
  // writing failed.
  bool Produce(bool segment_start, bool repeat, bool* produced);
  // Hands the picture just written to a waiting SaveCover.
  void ServeCoverRequest();

  VideoTrack& track_;
  VideoCaptureImpl& capture_;
  EngineListeners& listeners_;
  const std::function<void(int32_t)> on_failure_;
  const Segment segment_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  FrameClock clock_;
  bool stopping_ = false;
  bool finished_ = false;
  int64_t stop_ms_ = 0;
  CoverRequest* cover_request_ = nullptr;
  uint32_t last_content_ = 0;  // what the last frame showed (kFrameHas...)
  std::condition_variable cover_done_;
  std::thread thread_;
};

}  // namespace kvp::av
