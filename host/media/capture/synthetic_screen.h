#pragma once

#include <memory>

#include "host/media/capture/screen_layer.h"
#include "host/media/capture/source_planner.h"

struct AVFrame;

namespace kvp::av {

class AvInput;

// The moving test pattern that stands in for the screen on a machine without a display. The
// pattern is generated at the canvas size, one picture per frame.
class SyntheticScreen : public ScreenLayer {
 public:
  explicit SyntheticScreen(int32_t fps);
  ~SyntheticScreen() override;

  Result Render(const I420View& canvas) override;
  void Invalidate(const Rect&) override {}

 private:
  const int32_t fps_;
  std::unique_ptr<AvInput> input_;
  AVFrame* frame_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace kvp::av
