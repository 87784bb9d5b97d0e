#include "transcoder/cos_client.h"

#include <gtest/gtest.h>

namespace qr_transcoder {
namespace {

uint8_t* Bytes(const char* text) { return reinterpret_cast<uint8_t*>(const_cast<char*>(text)); }

TEST(CosClientTest, MultipartEtagIsTheMd5OfThePartDigestsAndTheirCount) {
  const CosPart a{1, Md5Hex(Bytes("a"), 1), 1};
  const CosPart b{2, Md5Hex(Bytes("b"), 1), 1};
  // Worked out independently of this code.
  EXPECT_EQ(MultipartEtag({a, b}), "96e024ba2074fe77e8e965ba43a704be-2");
  // Order and count matter; one part is still a composite, not the part's own MD5.
  EXPECT_NE(MultipartEtag({b, a}), MultipartEtag({a, b}));
  EXPECT_NE(MultipartEtag({a}), a.etag);
}

TEST(CosClientTest, ContentMd5IsTheBase64OfTheBinaryDigest) {
  EXPECT_EQ(ContentMd5(Md5Hex(Bytes(""), 0)), "1B2M2Y8AsgTpgAmY7PhCfg==");
}

}  // namespace
}  // namespace qr_transcoder
