#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/media/capture/fit_scaler.h"
#include "host/media/capture/screen_layer.h"
#include "host/media/capture/source_planner.h"

struct xcb_connection_t;

namespace kvp::av {

// Captures a monitor or a window of the X display through XCB shared memory. Only rows that X
// reports as damaged are grabbed and converted again; a quiet screen costs one round trip per
// frame (the pointer), and Render says the canvas is unchanged, so that the frame can be a
// repeat. Damaged rows are not compared with what they held: converting them costs less than
// the comparison would, and the video track compares the converted picture with the encoder's
// last one anyway. The pointer is drawn in. A monitor of the canvas's size is converted in
// place; anything else (a window, another size) is scaled to fit.
class XcbScreenCapture : public ScreenLayer {
 public:
  // Null (and *error set) when the display or the target cannot be used.
  static std::unique_ptr<XcbScreenCapture> Open(const ScreenPlan& plan, std::string* error);
  ~XcbScreenCapture() override;

  // Takes a first full image, so that the first frame only converts it.
  void Prepare() override;
  Result Render(const I420View& canvas) override;
  void Invalidate(const Rect& area) override;

 private:
  XcbScreenCapture() = default;
  bool Connect(std::string* error);
  // The target's rectangle on the root window now; false when it is not viewable.
  bool Locate(Rect* target);
  bool EnsureBuffer(size_t bytes);
  int stride() const { return target_.width * 4; }
  // Follows the target's rectangle; a new one starts a new image. Returns the grab band needed:
  // all of it after a change, else the damaged rows.
  Rect Track(const Rect& target);
  // The rows of the target that were drawn on since the last call, as one band.
  Rect TakeDamage(const Rect& target);
  // Grabs `band` (target coordinates, full width) into the buffer at its place in a full image.
  bool Grab(const Rect& target, const Rect& band);
  struct Pointer {
    Rect at;  // in target coordinates
    uint32_t serial = 0;
    const uint32_t* pixels = nullptr;  // premultiplied ARGB, held by `reply`
    std::shared_ptr<void> reply;
  };
  Pointer FetchPointer(const Rect& target);
  void ConvertArea(const I420View& canvas, const Rect& rect);
  void DrawPointerInPlace(const I420View& canvas, const Pointer& pointer);
  void ScaleWithPointer(const I420View& canvas, const Rect& target, const Pointer& pointer);

  ScreenPlan plan_;
  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  int root_width_ = 0;
  int root_height_ = 0;
  uint8_t damage_event_ = 0;
  uint32_t damage_ = 0;
  uint32_t region_ = 0;
  bool damaged_ = true;
  bool shm_available_ = false;
  uint32_t shm_segment_ = 0;
  uint8_t* shm_ = nullptr;
  size_t shm_size_ = 0;
  std::vector<uint8_t> buffer_;  // without shared memory
  uint8_t* image_ = nullptr;  // the grabbed pixels, one full image of the target
  Rect target_;
  FitScaler scaler_;
  std::vector<uint8_t> scratch_;
  std::vector<Rect> pending_;  // canvas areas to paint again from the image
  Rect pointer_area_;  // where the pointer is drawn on the canvas
  bool redraw_ = true;
  struct {
    Rect at;
    uint32_t serial = 0;
  } last_pointer_;
};

}  // namespace kvp::av
