#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/media/media_types.h"

namespace kvp::av {

// libx264 settings of a recording: our defaults (comparable to `-preset veryfast -tune
// zerolatency`: no B-frames, no look-ahead, so a frame is written as soon as it is encoded)
// overridden by the encoder preset items that this engine understands. Unknown keys and values
// are logged and left out.
struct EncoderSettings {
  std::string preset = "veryfast";
  std::string tune = "zerolatency";
  std::string profile = "high";
  double crf = 23;
  int64_t bitrate_kbps = 0;  // > 0: average bit rate instead of crf
  int32_t keyint_frames = 0;  // 0: two seconds of frames
  int32_t threads = 0;  // 0: libx264 chooses
  // Extra "x264-params" (key=value pairs joined by ':').
  std::map<std::string, std::string> x264_params;

  static EncoderSettings FromItems(const std::vector<EncoderConfigItem>& items);
  // The private options of the libx264 codec context for a stream of `fps` frames per second.
  std::map<std::string, std::string> ToCodecOptions(int32_t fps) const;
  // Frames from one key frame to the next at `fps`.
  int32_t KeyintFrames(int32_t fps) const;
  // Whether libx264 may reorder its reference lists: the presets from "fast" on weigh fades
  // with duplicated references.
  bool MayReorderReferences() const;
};

}  // namespace kvp::av
