#include "host/media/capture/tile_tracker.h"

#include <algorithm>
#include <cstring>

namespace kvp::av {

TileTracker::TileTracker(int width, int height)
    : width_(width), height_(height), image_(static_cast<size_t>(width) * height * 4) {}

bool TileTracker::TileDiffers(const uint8_t* bgra, int stride, int x0, int x1, int y0, int y1) const {
  const size_t bytes = static_cast<size_t>(x1 - x0) * 4;
  for (int y = y0; y < y1; ++y) {
    if (std::memcmp(bgra + static_cast<ptrdiff_t>(y) * stride + x0 * 4,
                    image_.data() + static_cast<ptrdiff_t>(y) * this->stride() + x0 * 4, bytes) != 0) {
      return true;
    }
  }
  return false;
}

void TileTracker::CopyTile(const uint8_t* bgra, int stride, int x0, int x1, int y0, int y1) {
  const size_t bytes = static_cast<size_t>(x1 - x0) * 4;
  for (int y = y0; y < y1; ++y) {
    std::memcpy(image_.data() + static_cast<ptrdiff_t>(y) * this->stride() + x0 * 4,
                bgra + static_cast<ptrdiff_t>(y) * stride + x0 * 4, bytes);
  }
}

void TileTracker::Update(const uint8_t* bgra, int stride, Rect area, std::vector<Rect>* changed) {
  const int ax0 = std::max(0, area.x);
  const int ay0 = std::max(0, area.y);
  const int ax1 = std::min(width_, area.x + area.width);
  const int ay1 = std::min(height_, area.y + area.height);
  if (ax1 <= ax0 || ay1 <= ay0) return;
  for (int ty = ay0 - ay0 % kTileHeight; ty < ay1; ty += kTileHeight) {
    const int y0 = std::max(ay0, ty);
    const int y1 = std::min(ay1, ty + kTileHeight);
    int run_start = -1;
    for (int tx = ax0 - ax0 % kTileWidth; tx < ax1; tx += kTileWidth) {
      const int x0 = std::max(ax0, tx);
      const int x1 = std::min(ax1, tx + kTileWidth);
      const bool differs = !known_ || TileDiffers(bgra, stride, x0, x1, y0, y1);
      if (differs) {
        CopyTile(bgra, stride, x0, x1, y0, y1);
        if (run_start < 0) run_start = x0;
      }
      if (!differs && run_start >= 0) {
        changed->push_back({run_start, y0, x0 - run_start, y1 - y0});
        run_start = -1;
      }
    }
    if (run_start >= 0) changed->push_back({run_start, y0, ax1 - run_start, y1 - y0});
  }
  known_ = true;
}

}  // namespace kvp::av
