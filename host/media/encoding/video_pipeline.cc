#include "host/media/encoding/video_pipeline.h"

#include <chrono>

extern "C" {
#include <libavutil/frame.h>
}

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/media/stream/cover_writer.h"
#include "host/media/capture/frame_image.h"
#include "host/media/pipeline_thread.h"

namespace kvp::av {

Rect VideoPipeline::DefaultCameraRect(int32_t width, int32_t height) {
  const int32_t head_width = (width / 4) & ~1;
  const int32_t head_height = (head_width * 9 / 16) & ~1;
  const int32_t margin = (width / 40) & ~1;
  return {width - head_width - margin, height - head_height - margin, head_width, head_height};
}

VideoPipeline::VideoPipeline(VideoTrack& track, VideoCaptureImpl& capture, EngineListeners& listeners,
                             std::function<void(int32_t)> on_failure, const Segment& segment)
    : track_(track),
      capture_(capture),
      listeners_(listeners),
      on_failure_(std::move(on_failure)),
      segment_(segment),
      clock_(segment.start_ms, segment.start_pts_us, segment.fps),
      thread_([this] { Run(); }) {}

VideoPipeline::~VideoPipeline() {
  if (thread_.joinable()) Stop(base::clock::SteadyMs());
}

int64_t VideoPipeline::Stop(int64_t stop_ms) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    stop_ms_ = stop_ms;
  }
  wake_.notify_all();
  thread_.join();
  return clock_.NextPtsUs();
}

void VideoPipeline::Run() {
  MarkPipelineThread();
  bool segment_start = true;
  bool previous_made = false;
  while (true) {
    bool last_slot = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const int32_t fps = capture_.CurrentFrameRate();
      if (fps > 0 && fps != clock_.fps()) {
        KLOG(6) << "frame rate " << clock_.fps() << " -> " << fps;
        clock_.SetFps(fps);
      }
      // Wait for the slot; once stopping, the frames that still belong are made at once.
      while (!stopping_ && base::clock::SteadyMs() < clock_.NextDueMs()) {
        wake_.wait_for(lock, std::chrono::milliseconds(clock_.NextDueMs() - base::clock::SteadyMs()));
      }
      if (stopping_ && !clock_.BelongsBefore(stop_ms_)) break;
      last_slot = LastSlotLocked();
    }
    const bool late = base::clock::SteadyMs() - clock_.NextDueMs() >= clock_.FrameDurationUs() / 1000;
    // A missed slot is dropped (see the class comment), unless it costs nothing: a repeat of the
    // last frame, which is what a player shows in a gap anyway, keeps the frame rate constant.
    // Not after a slot without a frame (an unmapped window stays without frames).
    const bool missed = late && !segment_start && !last_slot;
    const bool repeat = missed && previous_made && track_.CanRepeat();
    bool produced = false;
    if ((!missed || repeat) && !Produce(segment_start, repeat, &produced)) break;  // writing failed
    if (produced) segment_start = false;
    previous_made = produced;
    clock_.Advance();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  cover_done_.notify_all();
}

bool VideoPipeline::LastSlotLocked() const {
  if (!stopping_) return false;
  FrameClock next = clock_;
  next.Advance();
  return !next.BelongsBefore(stop_ms_);
}

bool VideoPipeline::running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !finished_;
}

int32_t VideoPipeline::SaveCover(const std::string& path, int64_t* size_bytes) {
  CoverRequest request;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_ || cover_request_) return kErrNoFrame;
    cover_request_ = &request;
    cover_done_.wait_for(lock, std::chrono::seconds(3), [&] { return request.done || finished_; });
    cover_request_ = nullptr;
  }
  if (!request.picture) return kErrNoFrame;
  // The JPEG is encoded and synced here, on the caller's thread: on the video thread it took
  // tens of milliseconds from the slots and made the next frame late.
  int64_t size = 0;
  const int32_t result = WriteJpegCover(request.picture, path, &size);
  av_frame_free(&request.picture);
  if (size_bytes) *size_bytes = size;
  return result;
}

void VideoPipeline::ServeCoverRequest() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cover_request_ || cover_request_->done) return;
  // A reference, not a copy: the next frame's Canvas() gives the track a picture of its own.
  cover_request_->picture = av_frame_clone(track_.picture());
  cover_request_->done = true;
  cover_done_.notify_all();
}

bool VideoPipeline::Produce(bool segment_start, bool repeat, bool* produced) {
  VideoFrameInfo info;
  info.due_ms = clock_.NextDueMs();
  info.pts_us = clock_.NextPtsUs();
  info.duration_us = clock_.FrameDurationUs();
  const I420View canvas = track_.Canvas();
  const Rect whole{0, 0, canvas.width, canvas.height};
  info.width = canvas.width;
  info.height = canvas.height;
  info.content = repeat ? last_content_ : 0;
  bool skip = false;
  bool unchanged = repeat;
  std::shared_ptr<ScreenLayer> screen;
  if (segment_.mode & kRecordModeScreen && !repeat) screen = capture_.Screen();
  if (screen) {
    // A new segment may follow another mode or a new picture: everything is painted again.
    if (segment_start) screen->Invalidate(whole);
    const ScreenLayer::Result result = screen->Render(canvas);
    skip = result == ScreenLayer::Result::kNoFrame;
    unchanged = result == ScreenLayer::Result::kUnchanged;
    info.content |= kFrameHasScreen;
  }
  if (segment_.mode & kRecordModeCamera && !repeat) {
    if (auto camera = capture_.Camera()) {
      const Rect head = segment_.mode == kRecordModeCamera
                            ? whole
                            : EvenClip(segment_.camera_rect.value_or(DefaultCameraRect(canvas.width, canvas.height)),
                                       canvas.width, canvas.height);
      camera->SetTargetSize(head.width, head.height);
      if (camera->CopyLatest(canvas, head.x, head.y)) info.content |= kFrameHasCamera;
      if (screen) screen->Invalidate(head);
      unchanged = false;
    }
  }
  *produced = !skip;
  if (skip) return true;
  info.capture_ms = base::clock::SteadyMs();
  const int32_t code = track_.Encode(info.pts_us, info.duration_us, segment_start, unchanged, &info.key_frame);
  if (code != kOk) {
    on_failure_(code);
    return false;
  }
  info.write_ms = base::clock::SteadyMs();
  last_content_ = info.content;
  const FrameImage image(track_.picture());
  info.image = &image;
  listeners_.NotifyFrame(info);
  ServeCoverRequest();
  return true;
}

}  // namespace kvp::av
