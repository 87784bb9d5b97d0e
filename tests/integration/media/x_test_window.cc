#include "x_test_window.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace quickrec::testing {

XTestWindow::~XTestWindow() {
  stop_ = true;
  if (painter_.joinable()) painter_.join();
  if (connection_) xcb_disconnect(connection_);
}

bool XTestWindow::Open(const std::string& display, int x, int y, int width, int height, int fps) {
  connection_ = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(connection_)) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  window_ = xcb_generate_id(connection_);
  const uint32_t values[] = {screen->black_pixel, 1};  // background, override-redirect: no manager
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, static_cast<int16_t>(x),
                    static_cast<int16_t>(y), static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                    values);
  gc_ = xcb_generate_id(connection_);
  xcb_create_gc(connection_, gc_, window_, 0, nullptr);
  width_ = width;
  height_ = height;
  Map();
  if (fps > 0) painter_ = std::thread([this, width, height, fps] { Animate(width, height, fps); });
  return true;
}

void XTestWindow::Fill(uint32_t colour) { FillRects(colour, {{0, 0, width_, height_}}); }

void XTestWindow::FillRects(uint32_t colour, const std::vector<std::array<int, 4>>& rects) {
  std::vector<xcb_rectangle_t> boxes;
  for (const auto& r : rects) {
    boxes.push_back({static_cast<int16_t>(r[0]), static_cast<int16_t>(r[1]), static_cast<uint16_t>(r[2]),
                     static_cast<uint16_t>(r[3])});
  }
  xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &colour);
  xcb_poly_fill_rectangle(connection_, window_, gc_, static_cast<uint32_t>(boxes.size()), boxes.data());
  // A round trip: the server has drawn the rectangle when its answer comes.
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void XTestWindow::WarpPointer(int x, int y) {
  xcb_warp_pointer(connection_, XCB_NONE, window_, 0, 0, 0, 0, static_cast<int16_t>(x), static_cast<int16_t>(y));
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void XTestWindow::StartNoise(int fps) {
  if (!painter_.joinable() && fps > 0) painter_ = std::thread([this, fps] { PaintNoise(fps); });
}

void XTestWindow::PaintNoise(int fps) {
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  const uint8_t depth = xcb_setup_roots_iterator(setup).data->root_depth;
  // Strips small enough for a request of the core protocol (256 KiB).
  const int rows = std::max(1, (1 << 16) / std::max(1, width_));
  std::vector<uint32_t> pixels(static_cast<size_t>(width_) * static_cast<size_t>(rows));
  uint64_t state = 0x9e3779b97f4a7c15ull;
  const auto period = std::chrono::microseconds(1000000 / fps);
  auto next = std::chrono::steady_clock::now();
  while (!stop_) {
    for (int y = 0; y < height_; y += rows) {
      for (auto& pixel : pixels) pixel = static_cast<uint32_t>(state ^= state << 13, state ^= state >> 7, state ^= state << 17);
      const int strip = std::min(rows, height_ - y);
      xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<uint16_t>(width_),
                    static_cast<uint16_t>(strip), 0, static_cast<int16_t>(y), 0, depth,
                    static_cast<uint32_t>(width_ * strip * 4), reinterpret_cast<const uint8_t*>(pixels.data()));
    }
    xcb_flush(connection_);
    next += period;
    std::this_thread::sleep_until(next);
  }
}

void XTestWindow::Map() {
  xcb_map_window(connection_, window_);
  xcb_flush(connection_);
}

void XTestWindow::Unmap() {
  xcb_unmap_window(connection_, window_);
  xcb_flush(connection_);
}

void XTestWindow::Animate(int width, int height, int fps) {
  const auto period = std::chrono::microseconds(1000000 / fps);
  auto next = std::chrono::steady_clock::now();
  for (uint32_t frame = 0; !stop_; ++frame) {
    const int16_t box = static_cast<int16_t>(height / 4);
    const xcb_rectangle_t background{0, 0, static_cast<uint16_t>(width), static_cast<uint16_t>(height)};
    const xcb_rectangle_t moving{static_cast<int16_t>((frame * 8) % (width - box)), static_cast<int16_t>(height / 3),
                                 static_cast<uint16_t>(box), static_cast<uint16_t>(box)};
    uint32_t colour = 0x203040;
    xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &colour);
    xcb_poly_fill_rectangle(connection_, window_, gc_, 1, &background);
    colour = 0xF0C020 ^ (frame * 0x010203);
    xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &colour);
    xcb_poly_fill_rectangle(connection_, window_, gc_, 1, &moving);
    xcb_flush(connection_);
    next += period;
    std::this_thread::sleep_until(next);
  }
}

}  // namespace quickrec::testing
