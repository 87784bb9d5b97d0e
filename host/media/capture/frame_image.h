#pragma once

struct AVFrame;

namespace kvp::av {

// The pixels behind VideoFrameInfo::image: the encoder's I420 picture of that frame.
class FrameImage {
 public:
  explicit FrameImage(const AVFrame* frame) : frame_(frame) {}
  const AVFrame* frame() const { return frame_; }

 private:
  const AVFrame* frame_;
};

}  // namespace kvp::av
