#include "host/media/encoding/patch_planner.h"

#include <algorithm>
#include <cstring>

namespace kvp::av {

namespace {

// A patch's raw macroblock costs 384 bytes where libx264 spends a few dozen on a small change:
// beyond this many, encoding the picture is the better deal for the stream.
constexpr size_t kMaxRawMacroblocks = 64;
// libx264 pictures without planning after a big change: a patch comes at most this many frames
// after a busy screen went still, and a busy screen pays for one plan in so many frames.
constexpr int kRestAfterBigChange = 8;

// Copies a `size` x `size` block at (x, y) of a plane into `out`; samples past the plane's edge
// repeat the last one (they are cropped away, but a macroblock has them all).
void GatherBlock(const uint8_t* plane, int stride, int width, int height, int x, int y, int size, uint8_t* out) {
  for (int row = 0; row < size; ++row) {
    const uint8_t* line = plane + static_cast<ptrdiff_t>(std::min(y + row, height - 1)) * stride;
    const int inside = std::clamp(width - x, 0, size);
    std::memcpy(out + row * size, line + x, static_cast<size_t>(inside));
    std::fill(out + row * size + inside, out + (row + 1) * size, line[width - 1]);
  }
}

bool LinesEqual(const uint8_t* a, int a_stride, const uint8_t* b, int b_stride, int bytes, int from, int to) {
  for (int y = from; y < to; ++y) {
    if (std::memcmp(a + static_cast<ptrdiff_t>(y) * a_stride, b + static_cast<ptrdiff_t>(y) * b_stride,
                    static_cast<size_t>(bytes)) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

PatchPlanner::PatchPlanner(int width, int height)
    : width_(width),
      height_(height),
      mb_width_((width + 15) / 16),
      mb_height_((height + 15) / 16),
      // At most a sixteenth of a small picture, so that a patch stays a patch.
      max_raw_(std::max<size_t>(1, std::min(kMaxRawMacroblocks, static_cast<size_t>(mb_width_ * mb_height_) / 16))),
      // Copies cost a few bits each; the cap only keeps the bookkeeping small.
      max_copied_(static_cast<size_t>(mb_width_ * mb_height_) / 4),
      encoded_(static_cast<size_t>(width) * height * 3 / 2) {}

void PatchPlanner::Reset(const I420View& picture) {
  patched_.clear();
  if (resting_ > 0) --resting_;
  have_encoded_ = resting_ == 0;
  if (!have_encoded_) return;
  uint8_t* out = encoded_.data();
  for (int y = 0; y < height_; ++y, out += width_) std::memcpy(out, picture.y + y * picture.y_stride, width_);
  for (int y = 0; y < height_ / 2; ++y, out += width_ / 2) std::memcpy(out, picture.u + y * picture.u_stride, width_ / 2);
  for (int y = 0; y < height_ / 2; ++y, out += width_ / 2) std::memcpy(out, picture.v + y * picture.v_stride, width_ / 2);
}

bool PatchPlanner::RowEqualsEncoded(const I420View& picture, int mb_y) const {
  const uint8_t* u = encoded_.data() + static_cast<size_t>(width_) * height_;
  const uint8_t* v = u + static_cast<size_t>(width_ / 2) * (height_ / 2);
  const int top = mb_y * 16;
  const int bottom = std::min(top + 16, height_);
  return LinesEqual(picture.y, picture.y_stride, encoded_.data(), width_, width_, top, bottom) &&
         LinesEqual(picture.u, picture.u_stride, u, width_ / 2, width_ / 2, top / 2, bottom / 2) &&
         LinesEqual(picture.v, picture.v_stride, v, width_ / 2, width_ / 2, top / 2, bottom / 2);
}

void PatchPlanner::Gather(const uint8_t* y, int y_stride, const uint8_t* u, int u_stride, const uint8_t* v,
                          int v_stride, int mb_x, int mb_y, Samples* out) const {
  GatherBlock(y, y_stride, width_, height_, mb_x * 16, mb_y * 16, 16, out->data());
  GatherBlock(u, u_stride, width_ / 2, height_ / 2, mb_x * 8, mb_y * 8, 8, out->data() + 256);
  GatherBlock(v, v_stride, width_ / 2, height_ / 2, mb_x * 8, mb_y * 8, 8, out->data() + 320);
}

bool PatchPlanner::Plan(const I420View& picture, FramePatch* patch) {
  using Kind = FramePatch::Kind;
  if (!have_encoded_) return false;
  patch->kinds.assign(static_cast<size_t>(mb_width_) * mb_height_, Kind::kSkip);
  patch->raw.clear();
  std::vector<bool> row_as_encoded(static_cast<size_t>(mb_height_));
  size_t raw = 0;
  Samples now;
  Samples encoded;
  const uint8_t* encoded_u = encoded_.data() + static_cast<size_t>(width_) * height_;
  const uint8_t* encoded_v = encoded_u + static_cast<size_t>(width_ / 2) * (height_ / 2);
  for (int mb_y = 0; mb_y < mb_height_; ++mb_y) {
    // Most rows are as libx264 left them: one pass of whole lines rules a row out.
    if ((row_as_encoded[mb_y] = RowEqualsEncoded(picture, mb_y))) continue;
    for (int mb_x = 0; mb_x < mb_width_; ++mb_x) {
      const uint32_t index = static_cast<uint32_t>(mb_y * mb_width_ + mb_x);
      Gather(picture.y, picture.y_stride, picture.u, picture.u_stride, picture.v, picture.v_stride, mb_x, mb_y, &now);
      Gather(encoded_.data(), width_, encoded_u, width_ / 2, encoded_v, width_ / 2, mb_x, mb_y, &encoded);
      if (now == encoded) {
        patched_.erase(index);
        continue;
      }
      auto [held, added] = patched_.try_emplace(index);
      if (!added && held->second == now) {
        patch->kinds[index] = Kind::kCopy;
        continue;
      }
      if (++raw > max_raw_) {
        resting_ = kRestAfterBigChange;
        return false;
      }
      held->second = now;
      patch->kinds[index] = Kind::kRaw;
      patch->raw.insert(patch->raw.end(), now.begin(), now.end());
    }
  }
  std::erase_if(patched_, [&](const auto& held) { return row_as_encoded[held.first / mb_width_]; });
  return patched_.size() - raw <= max_copied_;
}

}  // namespace kvp::av
