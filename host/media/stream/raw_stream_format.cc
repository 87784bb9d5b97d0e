#include "host/media/stream/raw_stream_format.h"

#include <array>
#include <cstring>

namespace kvp::av {

namespace {

constexpr uint8_t kMagic[8] = {'K', 'O', 'V', 'I', 'D', 'X', '0', '1'};

void Put32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const uint8_t* in) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
  return v;
}
uint64_t Get64(const uint8_t* in) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(in[i]) << (8 * i);
  return v;
}

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

uint32_t RawCrc32(const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void EncodeRawIndexHeader(const RawIndexHeader& header, uint8_t out[kRawIndexHeaderSize]) {
  std::memset(out, 0, kRawIndexHeaderSize);
  std::memcpy(out, kMagic, sizeof(kMagic));
  Put32(out + 8, static_cast<uint32_t>(header.kind));
  for (int i = 0; i < 3; ++i) Put32(out + 12 + 4 * i, header.params[i]);
  Put32(out + 28, RawCrc32(out, 28));
}

bool DecodeRawIndexHeader(const uint8_t in[kRawIndexHeaderSize], RawIndexHeader* header) {
  if (std::memcmp(in, kMagic, sizeof(kMagic)) != 0 || Get32(in + 28) != RawCrc32(in, 28)) return false;
  const uint32_t kind = Get32(in + 8);
  if (kind != static_cast<uint32_t>(RawStreamKind::kVideoH264) && kind != static_cast<uint32_t>(RawStreamKind::kAudioAac)) {
    return false;
  }
  header->kind = static_cast<RawStreamKind>(kind);
  for (int i = 0; i < 3; ++i) header->params[i] = Get32(in + 12 + 4 * i);
  return true;
}

void EncodeRawIndexRecord(const RawIndexRecord& record, uint8_t out[kRawIndexRecordSize]) {
  Put64(out, record.offset);
  Put32(out + 8, record.size);
  Put32(out + 12, record.flags);
  Put64(out + 16, static_cast<uint64_t>(record.pts_us));
  Put32(out + 24, record.duration_us);
  Put32(out + 28, RawCrc32(out, 28));
}

bool DecodeRawIndexRecord(const uint8_t in[kRawIndexRecordSize], RawIndexRecord* record) {
  if (Get32(in + 28) != RawCrc32(in, 28)) return false;
  record->offset = Get64(in);
  record->size = Get32(in + 8);
  record->flags = Get32(in + 12);
  record->pts_us = static_cast<int64_t>(Get64(in + 16));
  record->duration_us = Get32(in + 24);
  return true;
}

}  // namespace kvp::av
