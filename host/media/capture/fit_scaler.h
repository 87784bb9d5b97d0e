#pragma once

#include <cstdint>

#include "host/media/capture/pixel_ops.h"

struct SwsContext;

namespace kvp::av {

// Scales pictures of any size and pixel format into an I420 picture, fitted with the aspect
// ratio kept and black borders. The borders are painted when the layout changes or after Reset.
class FitScaler {
 public:
  FitScaler() = default;
  ~FitScaler();
  FitScaler(const FitScaler&) = delete;
  FitScaler& operator=(const FitScaler&) = delete;

  // `format` is an AVPixelFormat. Returns false when the conversion is not possible.
  bool Scale(const uint8_t* const planes[4], const int strides[4], int format, int width, int height,
             const I420View& target);
  void Reset() { placed_ = {}; }

 private:
  SwsContext* context_ = nullptr;
  Rect placed_;
};

}  // namespace kvp::av
