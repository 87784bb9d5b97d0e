#include "common/url_codec.h"

#include <gtest/gtest.h>

namespace qr_backend {
namespace {

TEST(BackendUrlCodecTest, EncodesAllButUnreservedWithUpperCaseHex) {
  EXPECT_EQ(PercentEncode("aZ09-_.~"), "aZ09-_.~");
  EXPECT_EQ(PercentEncode("a b+c/d=é"), "a%20b%2Bc%2Fd%3D%C3%A9");
}

TEST(BackendUrlCodecTest, DecodesEitherCaseAndKeepsPlus) {
  EXPECT_EQ(PercentDecode("a%2bb%2Fc+d"), "a+b/c+d");
  EXPECT_FALSE(PercentDecode("bad%2"));
  EXPECT_FALSE(PercentDecode("bad%zz"));
  EXPECT_FALSE(PercentDecode("%"));
}

TEST(BackendUrlCodecTest, ParsesQueryPairsInOrder) {
  const auto pairs = ParseQuery("b=2&a=%31&flag&&c=");
  ASSERT_TRUE(pairs);
  const QueryPairs expected = {{"b", "2"}, {"a", "1"}, {"flag", ""}, {"c", ""}};
  EXPECT_EQ(*pairs, expected);
  EXPECT_FALSE(ParseQuery("a=%g0"));
  EXPECT_EQ(BuildQuery({{"x y", "1/2"}, {"z", ""}}), "x%20y=1%2F2&z=");
}

}  // namespace
}  // namespace qr_backend
