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

TEST(BackendCryptoTest, Md5ResumedFromASavedStateEqualsOneShot) {
  // Split points inside a block, on a block boundary and after several blocks.
  const std::string text(300, 'x');
  for (size_t split : {size_t{0}, size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{200}}) {
    Md5 first;
    first.Update(text.data(), split);
    const std::string saved = first.SaveState();
    Md5 resumed;
    resumed.Update("noise", 5);  // whatever it held is replaced
    ASSERT_TRUE(resumed.RestoreState(saved)) << split;
    resumed.Update(text.data() + split, text.size() - split);
    const auto digest = resumed.Final();
    EXPECT_EQ(ToHex(digest.data(), digest.size()), Md5Hex(text)) << split;
  }
}

TEST(BackendCryptoTest, Md5RefusesWhatIsNotASavedState) {
  Md5 md5;
  md5.Update("abc", 3);
  const std::string saved = md5.SaveState();
  Md5 target;
  EXPECT_FALSE(target.RestoreState(""));
  EXPECT_FALSE(target.RestoreState(saved.substr(0, saved.size() - 2)));  // a pending byte short
  EXPECT_FALSE(target.RestoreState("sha1" + saved.substr(4)));
  EXPECT_FALSE(target.RestoreState(saved + "zz"));
  // A refused state leaves the digest where it was.
  target.Update("abc", 3);
  const auto digest = target.Final();
  EXPECT_EQ(ToHex(digest.data(), digest.size()), Md5Hex("abc"));
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
