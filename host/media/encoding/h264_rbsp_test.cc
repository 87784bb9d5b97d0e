#include "host/media/encoding/h264_rbsp.h"

#include <gtest/gtest.h>

namespace kvp::av {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(H264RbspTest, ZerosThatWouldLookLikeAStartCodeAreEscapedAndComeBack) {
  const Bytes rbsp = {0, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 7, 0, 0};
  const Bytes escaped = EscapeRbsp(rbsp);
  // 00 00 followed by 00..03 gets an 03 in between; a unit never ends in 00.
  EXPECT_EQ((Bytes{0, 0, 3, 0, 0, 3, 0, 1, 0, 0, 3, 2, 0, 0, 3, 3, 0, 0, 4, 7, 0, 0, 3}), escaped);
  EXPECT_EQ(rbsp, UnescapeRbsp(escaped.data(), escaped.size()));
}

TEST(H264RbspTest, FieldsWrittenAreReadBackAndOverwrittenInPlace) {
  RbspWriter writer;
  writer.Ue(0);
  writer.Ue(1);
  writer.Ue(8159);
  writer.Se(-3);
  writer.Se(4);
  writer.Bits(0x2A, 7);
  const Bytes rbsp = writer.Finish();
  RbspReader reader(rbsp);
  EXPECT_EQ(0u, reader.Ue());
  EXPECT_EQ(1u, reader.Ue());
  EXPECT_EQ(8159u, reader.Ue());
  EXPECT_EQ(-3, reader.Se());
  EXPECT_EQ(4, reader.Se());
  const size_t at = reader.position();
  EXPECT_EQ(0x2Au, reader.Bits(7));
  EXPECT_EQ(1u, reader.Bits(1)) << "the stop bit";
  EXPECT_FALSE(reader.failed());
  reader.Bits(8);
  EXPECT_TRUE(reader.failed()) << "reading past the end";

  Bytes changed = rbsp;
  OverwriteBits(&changed, at, 7, 0x55);
  RbspReader again(changed);
  for (int i = 0; i < 3; ++i) again.Ue();
  again.Se();
  again.Se();
  EXPECT_EQ(0x55u, again.Bits(7));
}

}  // namespace
}  // namespace kvp::av
