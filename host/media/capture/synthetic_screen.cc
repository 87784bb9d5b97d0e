#include "host/media/capture/synthetic_screen.h"

extern "C" {
#include <libavutil/frame.h>
}

#include "host/base/logging/logger.h"
#include "host/media/capture/av_input.h"
#include "host/media/ffmpeg_util.h"

namespace kvp::av {

SyntheticScreen::SyntheticScreen(int32_t fps) : fps_(fps) {}

SyntheticScreen::~SyntheticScreen() { av_frame_free(&frame_); }

ScreenLayer::Result SyntheticScreen::Render(const I420View& canvas) {
  if (width_ != canvas.width || height_ != canvas.height) {
    width_ = canvas.width;
    height_ = canvas.height;
    const auto plan =
        SourcePlanner(DeviceInventory{}).PlanScreen({VideoSourceKind::kScreen, kTestScreenId, 0}, {width_, height_, fps_});
    std::string error;
    input_ = AvInput::Open(plan->synthetic_input, AvInput::Kind::kVideo, false, &error);
    if (!input_) KLOG(1) << "test screen: " << error;
    if (!frame_) frame_ = av_frame_alloc();
  }
  // Without a pattern the canvas keeps what it showed (black at first).
  if (!input_) return Result::kFrame;
  if (input_->ReadFrame(frame_) < 0 || frame_->width != canvas.width || frame_->height != canvas.height) {
    return Result::kFrame;
  }
  CopyI420(I420ViewOf(frame_), canvas, 0, 0);
  return Result::kFrame;
}

}  // namespace kvp::av
