#include "host/media/capture/pixel_ops.h"

#include <algorithm>
#include <cstring>

#include <libyuv/convert.h>

namespace kvp::av {

Rect EvenClip(Rect rect, int width, int height) {
  int x0 = std::max(0, rect.x) & ~1;
  int y0 = std::max(0, rect.y) & ~1;
  int x1 = std::min(width, rect.x + rect.width);
  int y1 = std::min(height, rect.y + rect.height);
  x1 = std::min(width & ~1, (x1 + 1) & ~1);
  y1 = std::min(height & ~1, (y1 + 1) & ~1);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

void ConvertBgraToI420(const uint8_t* bgra, int bgra_stride, const I420View& out, const Rect& area) {
  // libyuv's "ARGB" is BGRA in memory, and its I420 is BT.601 limited range. Its vector rows
  // convert a busy screen's damaged rows several times faster than plain loops did.
  libyuv::ARGBToI420(bgra, bgra_stride, out.y + static_cast<ptrdiff_t>(area.y) * out.y_stride + area.x, out.y_stride,
                     out.u + static_cast<ptrdiff_t>(area.y / 2) * out.u_stride + area.x / 2, out.u_stride,
                     out.v + static_cast<ptrdiff_t>(area.y / 2) * out.v_stride + area.x / 2, out.v_stride, area.width,
                     area.height);
}

void FillI420(const I420View& out, Rect area, uint8_t y, uint8_t u, uint8_t v) {
  area = EvenClip(area, out.width, out.height);
  for (int row = area.y; row < area.y + area.height; ++row) {
    std::memset(out.y + static_cast<ptrdiff_t>(row) * out.y_stride + area.x, y, area.width);
  }
  for (int row = area.y / 2; row < (area.y + area.height) / 2; ++row) {
    std::memset(out.u + static_cast<ptrdiff_t>(row) * out.u_stride + area.x / 2, u, area.width / 2);
    std::memset(out.v + static_cast<ptrdiff_t>(row) * out.v_stride + area.x / 2, v, area.width / 2);
  }
}

void CopyI420(const I420View& source, const I420View& out, int x, int y) {
  const Rect area = EvenClip({x & ~1, y & ~1, source.width, source.height}, out.width, out.height);
  if (area.empty()) return;
  const int sx = area.x - (x & ~1);
  const int sy = area.y - (y & ~1);
  for (int row = 0; row < area.height; ++row) {
    std::memcpy(out.y + static_cast<ptrdiff_t>(area.y + row) * out.y_stride + area.x,
                source.y + static_cast<ptrdiff_t>(sy + row) * source.y_stride + sx, area.width);
  }
  for (int row = 0; row < area.height / 2; ++row) {
    const ptrdiff_t out_row = area.y / 2 + row;
    const ptrdiff_t source_row = sy / 2 + row;
    std::memcpy(out.u + out_row * out.u_stride + area.x / 2, source.u + source_row * source.u_stride + sx / 2,
                area.width / 2);
    std::memcpy(out.v + out_row * out.v_stride + area.x / 2, source.v + source_row * source.v_stride + sx / 2,
                area.width / 2);
  }
}

void BlendArgbOver(uint8_t* bgra, int bgra_stride, int width, int height, const uint32_t* argb, int image_width,
                   int image_height, int x, int y) {
  for (int row = std::max(0, -y); row < image_height && y + row < height; ++row) {
    uint8_t* out = bgra + static_cast<ptrdiff_t>(y + row) * bgra_stride;
    for (int col = std::max(0, -x); col < image_width && x + col < width; ++col) {
      const uint32_t p = argb[static_cast<ptrdiff_t>(row) * image_width + col];
      const uint32_t alpha = p >> 24;
      if (alpha == 0) continue;
      uint8_t* d = out + (x + col) * 4;
      const uint32_t keep = 255 - alpha;
      d[0] = static_cast<uint8_t>((p & 0xFF) + (d[0] * keep + 127) / 255);
      d[1] = static_cast<uint8_t>(((p >> 8) & 0xFF) + (d[1] * keep + 127) / 255);
      d[2] = static_cast<uint8_t>(((p >> 16) & 0xFF) + (d[2] * keep + 127) / 255);
    }
  }
}

Rect FitInside(int source_width, int source_height, int frame_width, int frame_height) {
  if (source_width <= 0 || source_height <= 0) return {};
  int width = frame_width;
  int height = static_cast<int>(static_cast<int64_t>(source_height) * frame_width / source_width);
  if (height > frame_height) {
    height = frame_height;
    width = static_cast<int>(static_cast<int64_t>(source_width) * frame_height / source_height);
  }
  width = std::max(2, width & ~1);
  height = std::max(2, height & ~1);
  return {((frame_width - width) / 2) & ~1, ((frame_height - height) / 2) & ~1, width, height};
}

}  // namespace kvp::av
