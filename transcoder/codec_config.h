#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qr_transcoder {

// The codec data an MP4 track needs, taken from the raw streams' own frames.
class CodecConfig {
 public:
  // The SPS and PPS NAL units of an H.264 Annex-B access unit, each behind a 4-byte start code;
  // empty when the frame lacks either.
  static std::string H264ParameterSets(const uint8_t* frame, size_t size);

  struct Adts {
    size_t header_size = 0;  // 7, or 9 with a CRC
    int sample_rate = 0;
    int channels = 0;
    std::string audio_specific_config;  // 2 bytes
  };
  // Reads the ADTS header in front of an AAC frame; false when it is not one we can carry.
  static bool ParseAdts(const uint8_t* frame, size_t size, Adts* adts);
};

}  // namespace qr_transcoder
