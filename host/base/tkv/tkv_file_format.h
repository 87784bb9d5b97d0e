#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// The on-disk layout of the key-value store (documented in docs/host-storage.md). Integers are
// little-endian. The value file is the truth: a header, then an append-only log of records, each
// with its own CRC-32. The key file is a checksummed index of that log, rewritten atomically now
// and then so an open need not read every record.
namespace base::tkv::format {

constexpr uint32_t kLatestVersion = 1;
constexpr size_t kValueHeaderSize = 24;  // "QRTKVVAL", version, reserved, generation
constexpr size_t kRecordHeaderSize = 13;  // "TKVR", op, key length, value length
constexpr size_t kRecordTrailerSize = 4;  // CRC-32 of op .. value
constexpr uint32_t kMaxKeySize = 64 * 1024;
constexpr uint32_t kMaxValueSize = 256u * 1024 * 1024;

uint32_t Crc32(std::string_view data, uint32_t crc = 0);

struct ValueHeader {
  uint32_t version = kLatestVersion;
  uint64_t generation = 1;  // changes whenever the log is rewritten (compaction, clear)
};
std::string EncodeValueHeader(const ValueHeader& header);
// False unless `bytes` starts with a value-file header.
bool DecodeValueHeader(std::string_view bytes, ValueHeader* header);

enum class Op : uint8_t { kSet = 1, kRemove = 2 };

std::string EncodeRecord(Op op, std::string_view key, std::string_view value);
struct RecordHeader {
  Op op = Op::kSet;
  uint32_t key_size = 0;
  uint32_t value_size = 0;
  uint64_t total_size() const { return kRecordHeaderSize + key_size + value_size + kRecordTrailerSize; }
};
// False for bytes that cannot start a record (wrong magic, unknown op, sizes over the limits).
bool DecodeRecordHeader(std::string_view bytes, RecordHeader* header);
// `record` holds exactly one whole record; true when its CRC matches.
bool VerifyRecord(std::string_view record, const RecordHeader& header);

struct IndexEntry {
  uint64_t value_offset = 0;  // of the value bytes inside the value file
  uint32_t value_size = 0;
  uint64_t record_size = 0;   // the whole record, for the store's dead-space accounting
};
struct Index {
  uint32_t version = kLatestVersion;
  uint64_t generation = 0;
  uint64_t covered_size = 0;  // the value file's first bytes that the entries describe
  std::map<std::string, IndexEntry, std::less<>> entries;
};
std::string EncodeIndex(const Index& index);
bool DecodeIndex(std::string_view bytes, Index* index);

}  // namespace base::tkv::format
