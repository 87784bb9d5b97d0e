#include "common/crypto.h"

#include <gtest/gtest.h>

namespace qr_backend {
namespace {

TEST(BackendCryptoTest, DigestsMatchPublishedVectors) {
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(HmacSha256Hex("key", "The quick brown fox jumps over the lazy dog"),
            "f7bc83f430538424b13298e6aa6fb143ef4d59a14946175997479dbc2d1a3cd8");
}

TEST(BackendCryptoTest, IncrementalMd5EqualsOneShot) {
  Md5 md5;
  md5.Update("hello ", 6);
  md5.Update("world", 5);
  const auto digest = md5.Final();
  EXPECT_EQ(ToHex(digest.data(), digest.size()), Md5Hex("hello world"));
}

TEST(BackendCryptoTest, Base64RoundTripsEveryLengthModuloThree) {
  for (const std::string text : {"", "f", "fo", "foo", "foob", "fooba", "foobar"}) {
    const std::string encoded = Base64Encode(text);
    EXPECT_EQ(encoded.size() % 4, 0u);
    EXPECT_EQ(Base64Decode(encoded), text) << encoded;
  }
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode(std::string("\xff\xfe", 2)), "//4=");
}

TEST(BackendCryptoTest, Base64AcceptsMissingPaddingAndLineBreaks) {
  EXPECT_EQ(Base64Decode("Zm9vYg"), "foob");
  EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy"), "foobar");
}

TEST(BackendCryptoTest, Base64RefusesWhatNoEncoderProduces) {
  EXPECT_FALSE(Base64Decode("Zm9v!"));      // outside the alphabet
  EXPECT_FALSE(Base64Decode("Z"));          // one symbol cannot hold a byte
  EXPECT_FALSE(Base64Decode("Zg=x"));       // data after padding
  EXPECT_FALSE(Base64Decode("Zg==="));      // too much padding
  EXPECT_FALSE(Base64Decode("Zh=="));       // leftover bits not zero
  EXPECT_FALSE(Base64Decode("Zm9v Zg=="));  // blanks are not line breaks
}

TEST(BackendCryptoTest, ConstantTimeEqualsComparesLengthAndContent) {
  EXPECT_TRUE(ConstantTimeEquals("abc", "abc"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "abd"));
  EXPECT_FALSE(ConstantTimeEquals("abc", "abcd"));
  EXPECT_TRUE(ConstantTimeEquals("", ""));
}

TEST(BackendCryptoTest, RandomValuesHaveTheirShapeAndDiffer) {
  const std::string a = RandomHex(8);
  EXPECT_EQ(a.size(), 16u);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(a, RandomHex(8));
  const std::string id = RandomDecimalId();
  EXPECT_EQ(id.size(), 19u);
  EXPECT_NE(id.front(), '0');
  EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
}

}  // namespace
}  // namespace qr_backend
