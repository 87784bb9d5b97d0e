#pragma once

#include <cstdint>
#include <string>

struct AVFrame;

namespace kvp::av {

// Writes a frame as a JPEG file (the recording's cover), through a temporary file that is synced
// and renamed, so that a crash leaves either no cover or a whole one. Returns kOk or a media error
// code; *size_bytes gets the file's size.
int32_t WriteJpegCover(const AVFrame* picture, const std::string& path, int64_t* size_bytes);

}  // namespace kvp::av
