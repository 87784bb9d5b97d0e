#pragma once

#include <string>

#include "host/media/capture/pixel_ops.h"

struct AVFrame;

// Small shared helpers over FFmpeg for the engine's sources (for .cc files only).
namespace kvp::av {

// libavdevice's inputs, registered once per process.
void RegisterFfmpegDevices();
std::string AvErrorText(int error);
// The planes of a YUV 4:2:0 frame.
I420View I420ViewOf(const AVFrame* frame);

}  // namespace kvp::av
