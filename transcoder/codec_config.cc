#include "transcoder/codec_config.h"

#include <vector>

namespace qr_transcoder {

namespace {

constexpr int kAdtsSampleRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                    22050, 16000, 12000, 11025, 8000,  7350};

// Start and end offsets of the NAL units of an Annex-B byte stream (without start codes).
std::vector<std::pair<size_t, size_t>> NalUnits(const uint8_t* data, size_t size) {
  std::vector<std::pair<size_t, size_t>> units;
  size_t start = 0;
  bool in_unit = false;
  for (size_t i = 0; i + 2 < size; ++i) {
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
    if (in_unit) {
      size_t end = i;
      if (end > start && data[end - 1] == 0) --end;  // the zero of a 4-byte start code
      units.emplace_back(start, end);
    }
    start = i + 3;
    in_unit = true;
    i += 2;
  }
  if (in_unit && start < size) units.emplace_back(start, size);
  return units;
}

}  // namespace

std::string CodecConfig::H264ParameterSets(const uint8_t* frame, size_t size) {
  std::string sps;
  std::string pps;
  static const std::string kStartCode("\0\0\0\1", 4);
  for (const auto& [start, end] : NalUnits(frame, size)) {
    if (end <= start) continue;
    const int type = frame[start] & 0x1f;
    const std::string unit(reinterpret_cast<const char*>(frame + start), end - start);
    if (type == 7 && sps.empty()) sps = kStartCode + unit;
    if (type == 8 && pps.empty()) pps = kStartCode + unit;
  }
  return sps.empty() || pps.empty() ? std::string() : sps + pps;
}

bool CodecConfig::ParseAdts(const uint8_t* frame, size_t size, Adts* adts) {
  if (size < 7 || frame[0] != 0xff || (frame[1] & 0xf6) != 0xf0) return false;
  const bool has_crc = (frame[1] & 0x01) == 0;
  const int object_type = (frame[2] >> 6) + 1;
  const int rate_index = (frame[2] >> 2) & 0x0f;
  const int channels = ((frame[2] & 0x01) << 2) | (frame[3] >> 6);
  adts->header_size = has_crc ? 9 : 7;
  if (rate_index >= 13 || channels == 0 || size <= adts->header_size) return false;
  adts->sample_rate = kAdtsSampleRates[rate_index];
  adts->channels = channels;
  const int config = (object_type << 11) | (rate_index << 7) | (channels << 3);
  adts->audio_specific_config = {static_cast<char>(config >> 8), static_cast<char>(config & 0xff)};
  return true;
}

}  // namespace qr_transcoder
