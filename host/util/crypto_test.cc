#include "host/util/crypto.h"

#include <gtest/gtest.h>

#include <set>

namespace util::crypto {
namespace {

TEST(CryptoTest, DigestsMatchPublishedVectors) {
  EXPECT_EQ(Md5(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  // In pieces, and again after a digest: the stream starts over.
  Md5Stream stream;
  stream.Update("a", 1);
  stream.Update("bc", 2);
  EXPECT_EQ(stream.HexDigest(), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(stream.HexDigest(), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // RFC 4231, test case 2.
  EXPECT_EQ(HmacSha256Hex("Jefe", "what do ya want for nothing?"),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
}

TEST(CryptoTest, HmacAcceptsAnEmptyKeyAndBinaryInput) {
  // Python: hmac.new(b"", b"", hashlib.sha256).hexdigest()
  EXPECT_EQ(HmacSha256Hex("", ""), "b613679a0814d9ec772f95d778c35fc5ff1697c493715653c6c712144292c5ad");
  const std::string with_nul("a\0b", 3);
  EXPECT_NE(HmacSha256Hex("k", with_nul), HmacSha256Hex("k", "a"));
}

TEST(CryptoTest, Base64MatchesRfc4648Vectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(Encode64(plain), encoded);
    EXPECT_EQ(Decode64(encoded), plain);
  }
}

TEST(CryptoTest, Base64RoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (size_t length = 0; length <= all.size(); length += 37) {
    const std::string piece = all.substr(0, length);
    EXPECT_EQ(Decode64(Encode64(piece)), piece) << length;
  }
}

TEST(CryptoTest, Decode64IgnoresLineBreaksButRefusesGarbage) {
  EXPECT_EQ(Decode64("Zm9v\r\nYmFy\n"), "foobar");
  EXPECT_EQ(Decode64(" Zg== "), "f");
  EXPECT_EQ(Decode64("Z"), "");          // a dangling character
  EXPECT_EQ(Decode64("Zm9v!"), "");      // not in the alphabet
  EXPECT_EQ(Decode64("Zg==Zg=="), "");   // data after the padding
  EXPECT_EQ(Decode64("Zg="), "");        // short padding
  EXPECT_EQ(Decode64("Zg==="), "");      // too much padding
  EXPECT_EQ(Decode64("===="), "");
  EXPECT_EQ(Decode64("Zm9=v"), "");
}

TEST(CryptoTest, RawUrlEncodeKeepsOnlyUnreservedCharacters) {
  EXPECT_EQ(RawUrlEncode("AZaz09-_.~"), "AZaz09-_.~");
  EXPECT_EQ(RawUrlEncode("a b+c/d?e=f&g"), "a%20b%2Bc%2Fd%3Fe%3Df%26g");
  EXPECT_EQ(RawUrlEncode("\xc3\xa9"), "%C3%A9");
  EXPECT_EQ(RawUrlEncode(std::string("\0", 1)), "%00");
}

TEST(CryptoTest, RandomGivesFreshHexOfTheAskedLength) {
  std::set<std::string> seen;
  for (size_t length : {0u, 1u, 15u, 16u, 33u}) {
    const std::string value = Random(length);
    EXPECT_EQ(value.size(), length);
    EXPECT_EQ(value.find_first_not_of("0123456789abcdef"), std::string::npos) << value;
  }
  for (int i = 0; i < 100; ++i) seen.insert(Random(16));
  EXPECT_EQ(seen.size(), 100u);
}

}  // namespace
}  // namespace util::crypto
