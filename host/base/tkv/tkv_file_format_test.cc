#include "host/base/tkv/tkv_file_format.h"

#include <gtest/gtest.h>

namespace base::tkv::format {
namespace {

TEST(TkvFileFormatTest, Crc32MatchesTheStandardCheckValue) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
  // Incremental use gives the same result as one pass.
  EXPECT_EQ(Crc32("6789", Crc32("12345")), 0xCBF43926u);
}

TEST(TkvFileFormatTest, RecordRoundTripsAndAnyFlippedByteIsDetected) {
  const std::string record = EncodeRecord(Op::kSet, "key", std::string("va\0lue", 6));
  RecordHeader header;
  ASSERT_TRUE(DecodeRecordHeader(record, &header));
  EXPECT_EQ(header.op, Op::kSet);
  EXPECT_EQ(header.key_size, 3u);
  EXPECT_EQ(header.value_size, 6u);
  EXPECT_EQ(header.total_size(), record.size());
  EXPECT_TRUE(VerifyRecord(record, header));
  for (size_t i = kRecordHeaderSize; i < record.size(); ++i) {
    std::string damaged = record;
    damaged[i] ^= 0x20;
    EXPECT_FALSE(VerifyRecord(damaged, header)) << "byte " << i;
  }
  EXPECT_FALSE(VerifyRecord(record.substr(0, record.size() - 1), header));
}

TEST(TkvFileFormatTest, RecordHeaderRefusesWhatCannotBeARecord) {
  RecordHeader header;
  std::string record = EncodeRecord(Op::kRemove, "k", "");
  ASSERT_TRUE(DecodeRecordHeader(record, &header));
  EXPECT_EQ(header.op, Op::kRemove);
  EXPECT_FALSE(DecodeRecordHeader(record.substr(0, kRecordHeaderSize - 1), &header));
  std::string bad_magic = record;
  bad_magic[0] = 'X';
  EXPECT_FALSE(DecodeRecordHeader(bad_magic, &header));
  std::string bad_op = record;
  bad_op[4] = 9;
  EXPECT_FALSE(DecodeRecordHeader(bad_op, &header));
  // A value length over the limit (garbage in a torn tail) is not trusted.
  std::string huge = record;
  huge[12] = static_cast<char>(0x7f);
  EXPECT_FALSE(DecodeRecordHeader(huge, &header));
}

TEST(TkvFileFormatTest, ValueHeaderRoundTrips) {
  ValueHeader header{1, 0x0123456789abcdefULL};
  const std::string bytes = EncodeValueHeader(header);
  ASSERT_EQ(bytes.size(), kValueHeaderSize);
  ValueHeader decoded;
  ASSERT_TRUE(DecodeValueHeader(bytes, &decoded));
  EXPECT_EQ(decoded.version, 1u);
  EXPECT_EQ(decoded.generation, 0x0123456789abcdefULL);
  EXPECT_FALSE(DecodeValueHeader(bytes.substr(0, kValueHeaderSize - 1), &decoded));
  EXPECT_FALSE(DecodeValueHeader("QRTKVKEY" + bytes.substr(8), &decoded));
}

TEST(TkvFileFormatTest, IndexRoundTripsAndRejectsDamage) {
  Index index;
  index.generation = 77;
  index.covered_size = 4096;
  index.entries["a"] = IndexEntry{30, 5, 40};
  index.entries[std::string("b\0c", 3)] = IndexEntry{100, 0, 20};
  const std::string bytes = EncodeIndex(index);
  Index decoded;
  ASSERT_TRUE(DecodeIndex(bytes, &decoded));
  EXPECT_EQ(decoded.generation, 77u);
  EXPECT_EQ(decoded.covered_size, 4096u);
  ASSERT_EQ(decoded.entries.size(), 2u);
  EXPECT_EQ(decoded.entries["a"].value_offset, 30u);
  EXPECT_EQ(decoded.entries[std::string("b\0c", 3)].record_size, 20u);
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::string damaged = bytes;
    damaged[i] ^= 0x01;
    EXPECT_FALSE(DecodeIndex(damaged, &decoded)) << "byte " << i;
  }
  EXPECT_FALSE(DecodeIndex(bytes.substr(0, bytes.size() - 5), &decoded));
  EXPECT_FALSE(DecodeIndex("", &decoded));
}

}  // namespace
}  // namespace base::tkv::format
