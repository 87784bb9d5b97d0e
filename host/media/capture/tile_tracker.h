#pragma once

#include <cstdint>
#include <vector>

#include "host/media/media_types.h"

namespace kvp::av {

// Keeps the last BGRA image of a screen and finds which tiles of a new grab differ from it. X
// damage says where something was drawn; this says what actually changed, so that a video
// player repainting its whole window costs only the conversion of the pixels that moved.
class TileTracker {
 public:
  static constexpr int kTileWidth = 64;
  static constexpr int kTileHeight = 16;

  TileTracker(int width, int height);

  // Compares `area` of `bgra` (an image of the tracker's size) with the last image, copies what
  // changed into it and appends the changed parts of `area`: per row of tiles, the runs of
  // changed tiles. The first Update after construction or Reset reports its whole area.
  void Update(const uint8_t* bgra, int stride, Rect area, std::vector<Rect>* changed);
  void Reset() { known_ = false; }

  const uint8_t* image() const { return image_.data(); }
  int stride() const { return width_ * 4; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool TileDiffers(const uint8_t* bgra, int stride, int x0, int x1, int y0, int y1) const;
  void CopyTile(const uint8_t* bgra, int stride, int x0, int x1, int y0, int y1);

  int width_;
  int height_;
  bool known_ = false;
  std::vector<uint8_t> image_;
};

}  // namespace kvp::av
