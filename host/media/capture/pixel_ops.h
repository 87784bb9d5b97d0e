#pragma once

#include <cstdint>
#include <vector>

#include "host/media/media_types.h"

// Pixel work on parts of a frame: converting the damaged areas of a BGRA screen image to the
// encoder's I420 picture (libyuv does the rows), copying the camera head in, and drawing the
// pointer. Rectangles are clipped to the picture and widened to even coordinates
// (a 2x2 block shares one chroma sample).
namespace kvp::av {

// Three planes of an I420 (YUV 4:2:0, BT.601 limited range) picture; not owned.
struct I420View {
  uint8_t* y = nullptr;
  uint8_t* u = nullptr;
  uint8_t* v = nullptr;
  int y_stride = 0;
  int u_stride = 0;
  int v_stride = 0;
  int width = 0;
  int height = 0;
};

// `rect` clipped to width x height and widened to even coordinates.
Rect EvenClip(Rect rect, int width, int height);

// Converts BGRA pixels into `area` of `out`; `bgra` points at the pixel that goes to the area's
// top-left corner. `area` must be even and inside `out` (see EvenClip).
void ConvertBgraToI420(const uint8_t* bgra, int bgra_stride, const I420View& out, const Rect& area);

// Fills `area` with one colour (black is 16, 128, 128).
void FillI420(const I420View& out, Rect area, uint8_t y, uint8_t u, uint8_t v);

// Copies all of `source` into `out` with its top-left corner at (x, y) (even), clipped.
void CopyI420(const I420View& source, const I420View& out, int x, int y);

// Draws a premultiplied ARGB image (as X hands out the pointer) of `image_width` x `image_height`
// with its top-left corner at (x, y) over a BGRA image of `width` x `height`.
void BlendArgbOver(uint8_t* bgra, int bgra_stride, int width, int height, const uint32_t* argb, int image_width,
                   int image_height, int x, int y);

// Where an image of `source_width` x `source_height` goes inside `frame_width` x
// `frame_height` when scaled to fit with its aspect ratio kept (even coordinates, centred).
Rect FitInside(int source_width, int source_height, int frame_width, int frame_height);

}  // namespace kvp::av
