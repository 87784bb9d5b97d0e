#pragma once

#include <cstddef>
#include <cstdint>

namespace kvp::av {

inline constexpr size_t kAdtsHeaderSize = 7;

// The 7-byte ADTS header (MPEG-4, AAC-LC, no CRC) in front of one raw AAC frame of
// `payload_size` bytes. False for a sample rate ADTS cannot name, a channel count outside 1..7 or
// a frame too long for the 13-bit length field.
bool WriteAdtsHeader(uint8_t out[kAdtsHeaderSize], int sample_rate, int channels, size_t payload_size);

}  // namespace kvp::av
