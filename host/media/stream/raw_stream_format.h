#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The on-disk layout of the raw recording streams (docs/raw-streams.md). A stream is a data file
// (H.264 Annex-B or AAC ADTS, frames back to back) and an index file: a 32-byte header and then
// one 32-byte record per frame, appended after the frame's bytes. All integers little-endian.
namespace kvp::av {

inline constexpr char kVideoStreamExtension[] = ".kovtv";
inline constexpr char kAudioStreamExtension[] = ".kovta";
inline constexpr char kCoverExtension[] = ".kovtc";
// The index of "<base>.kovtv" is "<base>.kovtvidx".
inline constexpr char kIndexSuffix[] = "idx";

inline constexpr size_t kRawIndexHeaderSize = 32;
inline constexpr size_t kRawIndexRecordSize = 32;

enum class RawStreamKind : uint32_t { kVideoH264 = 1, kAudioAac = 2 };

struct RawIndexHeader {
  RawStreamKind kind = RawStreamKind::kVideoH264;
  // Video: width, height, nominal frames per second. Audio: sample rate, channels, samples per
  // frame.
  uint32_t params[3] = {0, 0, 0};

  static RawIndexHeader Video(uint32_t width, uint32_t height, uint32_t fps) {
    return {RawStreamKind::kVideoH264, {width, height, fps}};
  }
  static RawIndexHeader Audio(uint32_t sample_rate, uint32_t channels, uint32_t samples_per_frame) {
    return {RawStreamKind::kAudioAac, {sample_rate, channels, samples_per_frame}};
  }
  bool operator==(const RawIndexHeader& other) const = default;
};

// The frame can be decoded without earlier frames (an IDR with SPS and PPS in front).
inline constexpr uint32_t kRawFlagKeyFrame = 1u << 0;
// The first frame written after a start, resume or append: the stream was not captured between
// the previous frame's end and this frame's timestamp.
inline constexpr uint32_t kRawFlagSegmentStart = 1u << 1;

struct RawIndexRecord {
  uint64_t offset = 0;  // of the frame's first byte in the data file
  uint32_t size = 0;
  uint32_t flags = 0;
  int64_t pts_us = 0;  // on the recording timeline, which does not advance while paused
  uint32_t duration_us = 0;

  int64_t end_us() const { return pts_us + duration_us; }
  uint64_t end_offset() const { return offset + size; }
  bool operator==(const RawIndexRecord& other) const = default;
};

void EncodeRawIndexHeader(const RawIndexHeader& header, uint8_t out[kRawIndexHeaderSize]);
// False when the magic or checksum does not match or the kind is unknown.
bool DecodeRawIndexHeader(const uint8_t in[kRawIndexHeaderSize], RawIndexHeader* header);
void EncodeRawIndexRecord(const RawIndexRecord& record, uint8_t out[kRawIndexRecordSize]);
// False when the checksum does not match (a torn or never-written record).
bool DecodeRawIndexRecord(const uint8_t in[kRawIndexRecordSize], RawIndexRecord* record);

// CRC-32 (IEEE 802.3, as zlib computes it).
uint32_t RawCrc32(const uint8_t* data, size_t size);

inline std::string RawIndexPathFor(const std::string& data_path) { return data_path + kIndexSuffix; }

}  // namespace kvp::av
