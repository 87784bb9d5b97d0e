#include "host/media/capture/fit_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace kvp::av {

FitScaler::~FitScaler() { sws_freeContext(context_); }

bool FitScaler::Scale(const uint8_t* const planes[4], const int strides[4], int format, int width, int height,
                      const I420View& target) {
  const Rect place = FitInside(width, height, target.width, target.height);
  if (place.empty()) return false;
  context_ = sws_getCachedContext(context_, width, height, static_cast<AVPixelFormat>(format), place.width,
                                  place.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!context_) return false;
  if (!(place == placed_)) {
    FillI420(target, {0, 0, target.width, target.height}, 16, 128, 128);
    placed_ = place;
  }
  uint8_t* out[4] = {target.y + static_cast<ptrdiff_t>(place.y) * target.y_stride + place.x,
                     target.u + static_cast<ptrdiff_t>(place.y / 2) * target.u_stride + place.x / 2,
                     target.v + static_cast<ptrdiff_t>(place.y / 2) * target.v_stride + place.x / 2, nullptr};
  const int out_strides[4] = {target.y_stride, target.u_stride, target.v_stride, 0};
  return sws_scale(context_, planes, strides, 0, height, out, out_strides) > 0;
}

}  // namespace kvp::av
