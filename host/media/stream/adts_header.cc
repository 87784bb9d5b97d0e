#include "host/media/stream/adts_header.h"

#include <array>

namespace kvp::av {

bool WriteAdtsHeader(uint8_t out[kAdtsHeaderSize], int sample_rate, int channels, size_t payload_size) {
  static constexpr std::array<int, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                 22050, 16000, 12000, 11025, 8000,  7350};
  int rate_index = -1;
  for (size_t i = 0; i < kRates.size(); ++i) {
    if (kRates[i] == sample_rate) rate_index = static_cast<int>(i);
  }
  const size_t length = payload_size + kAdtsHeaderSize;
  if (rate_index < 0 || channels < 1 || channels > 7 || length > 0x1FFF) return false;
  constexpr int kProfileLc = 1;  // audio object type 2 minus one
  out[0] = 0xFF;
  out[1] = 0xF1;  // sync, MPEG-4, layer 0, no CRC
  out[2] = static_cast<uint8_t>((kProfileLc << 6) | (rate_index << 2) | (channels >> 2));
  out[3] = static_cast<uint8_t>(((channels & 3) << 6) | (length >> 11));
  out[4] = static_cast<uint8_t>((length >> 3) & 0xFF);
  out[5] = static_cast<uint8_t>(((length & 7) << 5) | 0x1F);  // buffer fullness 0x7FF: variable rate
  out[6] = 0xFC;  // rest of the fullness, one raw data block
  return true;
}

}  // namespace kvp::av
