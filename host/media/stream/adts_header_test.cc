#include "host/media/stream/adts_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvp::av {
namespace {

TEST(AdtsHeaderTest, StereoAt48kHz) {
  uint8_t header[kAdtsHeaderSize];
  ASSERT_TRUE(WriteAdtsHeader(header, 48000, 2, 371));
  EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xF1, 0x4C, 0x80, 0x2F, 0x5F, 0xFC}),
            std::vector<uint8_t>(header, header + kAdtsHeaderSize));
}

TEST(AdtsHeaderTest, LengthFieldCarriesTheWholeFrame) {
  uint8_t header[kAdtsHeaderSize];
  ASSERT_TRUE(WriteAdtsHeader(header, 44100, 1, 8184));  // 8191 bytes with the header
  const int length = ((header[3] & 3) << 11) | (header[4] << 3) | (header[5] >> 5);
  EXPECT_EQ(8191, length);
  EXPECT_EQ(4, (header[2] >> 2) & 0xF);
  EXPECT_FALSE(WriteAdtsHeader(header, 44100, 1, 8185));
}

TEST(AdtsHeaderTest, UnnamedRatesAndChannelCountsAreRefused) {
  uint8_t header[kAdtsHeaderSize];
  EXPECT_FALSE(WriteAdtsHeader(header, 47999, 2, 100));
  EXPECT_FALSE(WriteAdtsHeader(header, 48000, 0, 100));
  EXPECT_FALSE(WriteAdtsHeader(header, 48000, 8, 100));
}

}  // namespace
}  // namespace kvp::av
