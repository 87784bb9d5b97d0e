#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct xcb_connection_t;

namespace quickrec::testing {

// A window on a test display with something moving in it: a box that slides across a
// background, repainted `fps` times a second on a thread of its own, so screen and window
// capture have damage to follow. With `fps` 0 it stands still and changes only by Fill.
class XTestWindow {
 public:
  XTestWindow() = default;
  ~XTestWindow();
  XTestWindow(const XTestWindow&) = delete;
  XTestWindow& operator=(const XTestWindow&) = delete;

  // Creates and maps the window on `display`; false when the display cannot be used.
  bool Open(const std::string& display, int x, int y, int width, int height, int fps = 30);
  void Map();
  void Unmap();
  // Paints the still window (`fps` 0) in one colour (0xRRGGBB); returns once the display drew it.
  void Fill(uint32_t colour);
  // Paints rectangles (x, y, width, height) of the still window in one colour, likewise.
  void FillRects(uint32_t colour, const std::vector<std::array<int, 4>>& rects);
  // Repaints the still window with fresh random pixels `fps` times a second until it closes: a
  // scene an encoder cannot predict, so a recording of it grows fast.
  void StartNoise(int fps);
  // Moves the pointer to (x, y) of the window; returns once the display moved it.
  void WarpPointer(int x, int y);
  uint32_t id() const { return window_; }

 private:
  void Animate(int width, int height, int fps);
  void PaintNoise(int fps);

  xcb_connection_t* connection_ = nullptr;
  uint32_t window_ = 0;
  uint32_t gc_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::atomic<bool> stop_{false};
  std::thread painter_;
};

}  // namespace quickrec::testing
