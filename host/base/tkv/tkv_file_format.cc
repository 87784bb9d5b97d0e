#include "host/base/tkv/tkv_file_format.h"

#include <array>
#include <cstring>

namespace base::tkv::format {
namespace {

constexpr char kValueMagic[8] = {'Q', 'R', 'T', 'K', 'V', 'V', 'A', 'L'};
constexpr char kIndexMagic[8] = {'Q', 'R', 'T', 'K', 'V', 'K', 'E', 'Y'};
constexpr char kRecordMagic[4] = {'T', 'K', 'V', 'R'};

void PutU32(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void PutU64(std::string* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// Reads little-endian integers from a bounded buffer; every read past the end fails.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U32(uint32_t* v) { return Read(v, 4); }
  bool U64(uint64_t* v) { return Read(v, 8); }
  bool Bytes(size_t n, std::string_view* out) {
    if (bytes_.size() - pos_ < n) return false;
    *out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
 private:
  template <typename T>
  bool Read(T* v, size_t n) {
    if (bytes_.size() - pos_ < n) return false;
    T value = 0;
    for (size_t i = 0; i < n; ++i) value |= static_cast<T>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
    pos_ += n;
    *v = value;
    return true;
  }

  std::string_view bytes_;
  size_t pos_ = 0;
};

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

}  // namespace

uint32_t Crc32(std::string_view data, uint32_t crc) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  crc = ~crc;
  for (unsigned char byte : data) crc = table[(crc ^ byte) & 0xff] ^ (crc >> 8);
  return ~crc;
}

std::string EncodeValueHeader(const ValueHeader& header) {
  std::string out(kValueMagic, sizeof kValueMagic);
  PutU32(&out, header.version);
  PutU32(&out, 0);
  PutU64(&out, header.generation);
  return out;
}

bool DecodeValueHeader(std::string_view bytes, ValueHeader* header) {
  if (bytes.size() < kValueHeaderSize || std::memcmp(bytes.data(), kValueMagic, sizeof kValueMagic) != 0) return false;
  Reader reader(bytes.substr(sizeof kValueMagic));
  uint32_t reserved = 0;
  return reader.U32(&header->version) && reader.U32(&reserved) && reader.U64(&header->generation);
}

std::string EncodeRecord(Op op, std::string_view key, std::string_view value) {
  std::string out(kRecordMagic, sizeof kRecordMagic);
  out.reserve(kRecordHeaderSize + key.size() + value.size() + kRecordTrailerSize);
  out.push_back(static_cast<char>(op));
  PutU32(&out, static_cast<uint32_t>(key.size()));
  PutU32(&out, static_cast<uint32_t>(value.size()));
  out.append(key);
  out.append(value);
  PutU32(&out, Crc32(std::string_view(out).substr(sizeof kRecordMagic)));
  return out;
}

bool DecodeRecordHeader(std::string_view bytes, RecordHeader* header) {
  if (bytes.size() < kRecordHeaderSize || std::memcmp(bytes.data(), kRecordMagic, sizeof kRecordMagic) != 0) {
    return false;
  }
  const auto op = static_cast<Op>(bytes[sizeof kRecordMagic]);
  if (op != Op::kSet && op != Op::kRemove) return false;
  Reader reader(bytes.substr(sizeof kRecordMagic + 1));
  RecordHeader decoded;
  decoded.op = op;
  if (!reader.U32(&decoded.key_size) || !reader.U32(&decoded.value_size)) return false;
  if (decoded.key_size > kMaxKeySize || decoded.value_size > kMaxValueSize) return false;
  *header = decoded;
  return true;
}

bool VerifyRecord(std::string_view record, const RecordHeader& header) {
  if (record.size() != header.total_size()) return false;
  const std::string_view covered = record.substr(sizeof kRecordMagic, record.size() - sizeof kRecordMagic - 4);
  Reader reader(record.substr(record.size() - 4));
  uint32_t stored = 0;
  return reader.U32(&stored) && stored == Crc32(covered);
}

std::string EncodeIndex(const Index& index) {
  std::string out(kIndexMagic, sizeof kIndexMagic);
  PutU32(&out, index.version);
  PutU32(&out, 0);
  PutU64(&out, index.generation);
  PutU64(&out, index.covered_size);
  PutU32(&out, static_cast<uint32_t>(index.entries.size()));
  for (const auto& [key, entry] : index.entries) {
    PutU32(&out, static_cast<uint32_t>(key.size()));
    out.append(key);
    PutU64(&out, entry.value_offset);
    PutU32(&out, entry.value_size);
    PutU64(&out, entry.record_size);
  }
  PutU32(&out, Crc32(out));
  return out;
}

bool DecodeIndex(std::string_view bytes, Index* index) {
  if (bytes.size() < sizeof kIndexMagic + 4 || std::memcmp(bytes.data(), kIndexMagic, sizeof kIndexMagic) != 0) {
    return false;
  }
  Reader crc_reader(bytes.substr(bytes.size() - 4));
  uint32_t stored_crc = 0;
  if (!crc_reader.U32(&stored_crc) || stored_crc != Crc32(bytes.substr(0, bytes.size() - 4))) return false;
  Reader reader(bytes.substr(sizeof kIndexMagic, bytes.size() - sizeof kIndexMagic - 4));
  Index decoded;
  uint32_t reserved = 0;
  uint32_t count = 0;
  if (!reader.U32(&decoded.version) || !reader.U32(&reserved) || !reader.U64(&decoded.generation) ||
      !reader.U64(&decoded.covered_size) || !reader.U32(&count)) {
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t key_size = 0;
    std::string_view key;
    IndexEntry entry;
    if (!reader.U32(&key_size) || !reader.Bytes(key_size, &key) || !reader.U64(&entry.value_offset) ||
        !reader.U32(&entry.value_size) || !reader.U64(&entry.record_size)) {
      return false;
    }
    decoded.entries.emplace(std::string(key), entry);
  }
  *index = std::move(decoded);
  return true;
}

}  // namespace base::tkv::format
