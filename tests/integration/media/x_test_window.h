#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

struct xcb_connection_t;

namespace quickrec::testing {

// A window on a test display with something moving in it: a box that slides across a
// background, repainted `fps` times a second on a thread of its own, so screen and window
// capture have damage to follow.
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
  uint32_t id() const { return window_; }

 private:
  void Animate(int width, int height, int fps);

  xcb_connection_t* connection_ = nullptr;
  uint32_t window_ = 0;
  uint32_t gc_ = 0;
  std::atomic<bool> stop_{false};
  std::thread painter_;
};

}  // namespace quickrec::testing
