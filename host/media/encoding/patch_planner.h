#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/media/capture/pixel_ops.h"

namespace kvp::av {

// A picture as a patch of libx264's last picture, macroblock by macroblock in raster order.
struct FramePatch {
  enum class Kind : uint8_t {
    kSkip,  // as in libx264's last picture
    kCopy,  // as in the patch frame right before
    kRaw,   // sent as raw samples
  };
  std::vector<Kind> kinds;
  // 384 bytes for each kRaw macroblock in order: 16x16 luma, then 8x8 Cb and 8x8 Cr.
  std::vector<uint8_t> raw;
};

// Decides, macroblock by macroblock, how a picture that differs from libx264's last one in a
// few places is written as a patch frame (RepeatFrameCoder::MakePatch): what equals libx264's
// last picture is skipped (the decoder copies it), what equals the patch before is copied from
// that patch, and only what changed is sent as raw samples. So the pointer moving over a still
// screen costs its few macroblocks instead of an encoder pass over the whole picture.
//
// Skipped macroblocks show libx264's reconstruction, not the exact pixels it was given; they are
// compared with those pixels because that is what the reconstruction stands for, and the next
// libx264 frame predicts from the same reconstruction, so nothing drifts.
//
// Used by one thread.
class PatchPlanner {
 public:
  PatchPlanner(int width, int height);

  // libx264 took `picture`: patches compare with it from now on, and none came after it yet.
  // While planning rests after a big change, the picture is not even kept.
  void Reset(const I420View& picture);
  // `picture` as a patch. False when it would carry too many raw macroblocks (a bigger change is
  // libx264's work: it costs far fewer bits) or copy too many from the patch before, and while
  // planning rests after such a change; the picture must then be encoded and Reset.
  bool Plan(const I420View& picture, FramePatch* patch);

  int mb_width() const { return mb_width_; }
  int mb_height() const { return mb_height_; }

 private:
  // One macroblock's samples: 16x16 luma, then 8x8 Cb and 8x8 Cr.
  using Samples = std::array<uint8_t, 384>;

  // Whether the picture's macroblock row `mb_y` equals the encoded picture's.
  bool RowEqualsEncoded(const I420View& picture, int mb_y) const;
  // One macroblock's samples from three planes of the picture's size.
  void Gather(const uint8_t* y, int y_stride, const uint8_t* u, int u_stride, const uint8_t* v, int v_stride,
              int mb_x, int mb_y, Samples* out) const;

  int width_;
  int height_;
  int mb_width_;
  int mb_height_;
  size_t max_raw_;
  size_t max_copied_;
  // libx264 pictures to go before planning again, after a change too big for a patch: a busy
  // screen stays busy, and each plan costs a copy of the picture and a comparison.
  int resting_ = 0;
  bool have_encoded_ = false;
  // libx264's last picture, planes one after the other without padding.
  std::vector<uint8_t> encoded_;
  // The macroblocks that the patches since then hold exactly (the decoder shows them as they
  // are here), by raster index.
  std::unordered_map<uint32_t, Samples> patched_;
};

}  // namespace kvp::av
