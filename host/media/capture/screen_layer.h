#pragma once

#include "host/media/media_types.h"
#include "host/media/capture/pixel_ops.h"

namespace kvp::av {

// What the screen slot draws into each frame: a monitor, a window or the synthetic test screen.
// Render and Invalidate are called by one thread at a time.
class ScreenLayer {
 public:
  enum class Result { kFrame, kUnchanged, kNoFrame };

  virtual ~ScreenLayer() = default;
  // Gets ready for the first frame ahead of time (the screen-capture begin operation).
  virtual void Prepare() {}
  // Brings `canvas` up to date with the screen. kUnchanged: the canvas is exactly as the last
  // Render left it (nothing was drawn on the screen and the pointer stayed), so the frame can be
  // a cheap repeat. kNoFrame: there is nothing to show now (a window that is not mapped); the
  // frame is skipped.
  virtual Result Render(const I420View& canvas) = 0;
  // `area` of the canvas was drawn over (the camera head); paint it again at the next Render.
  virtual void Invalidate(const Rect& area) = 0;
};

}  // namespace kvp::av
