#include "host/media/capture/camera_source.h"

extern "C" {
#include <libavutil/frame.h>
}


#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/media/capture/av_input.h"

namespace kvp::av {

I420View CameraSource::Picture::View() {
  uint8_t* y = planes.data();
  uint8_t* u = y + static_cast<size_t>(width) * height;
  uint8_t* v = u + static_cast<size_t>(width) * height / 4;
  return {y, u, v, width, width / 2, width / 2, width, height};
}

std::shared_ptr<CameraSource> CameraSource::Open(const InputPlan& plan, std::function<void(int64_t)> on_first_frame,
                                                 std::string* error) {
  std::shared_ptr<CameraSource> source(new CameraSource());
  source->input_ = AvInput::Open(plan, AvInput::Kind::kVideo, true, error);
  if (!source->input_) return nullptr;
  source->on_first_frame_ = std::move(on_first_frame);
  source->thread_ = std::thread([raw = source.get()] { raw->Run(); });
  KLOG(6) << "camera " << plan.url << " opened";
  return source;
}

CameraSource::~CameraSource() {
  stop_ = true;
  input_->Interrupt();
  if (thread_.joinable()) thread_.join();
}

void CameraSource::SetTargetSize(int width, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  target_width_ = width & ~1;
  target_height_ = height & ~1;
}

bool CameraSource::CopyLatest(const I420View& canvas, int x, int y) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (latest_.width != target_width_ || latest_.height != target_height_ || latest_.planes.empty()) return false;
  CopyI420(latest_.View(), canvas, x, y);
  return true;
}

void CameraSource::Run() {
  AVFrame* frame = av_frame_alloc();
  Picture scaled;
  bool first = true;
  while (!stop_) {
    const int result = input_->ReadFrame(frame);
    if (result < 0) {
      if (!stop_) KLOG(1) << "camera read failed (" << result << "), the head keeps its last picture";
      break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      scaled.width = target_width_;
      scaled.height = target_height_;
    }
    if (scaled.width <= 0 || scaled.height <= 0) continue;
    scaled.planes.resize(static_cast<size_t>(scaled.width) * scaled.height * 3 / 2);
    // Two buffers take turns, so each needs its borders painted.
    scaler_.Reset();
    if (!scaler_.Scale(frame->data, frame->linesize, frame->format, frame->width, frame->height, scaled.View())) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      std::swap(latest_, scaled);
    }
    if (first) {
      first = false;
      if (on_first_frame_) on_first_frame_(base::clock::SteadyMs());
    }
  }
  av_frame_free(&frame);
}

}  // namespace kvp::av
