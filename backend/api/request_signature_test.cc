#include "api/request_signature.h"

#include <gtest/gtest.h>

namespace qr_backend {
namespace {

// Computed outside this code base from the recipe in docs/signed-requests.md.
TEST(BackendRequestSignatureTest, MatchesAnIndependentlyComputedSignature) {
  const auto query = CanonicalQuery(
      "nonce=0123456789abcdef&timestamp=1700000000&app_id=qr%20app&platform=linux&"
      "client_version=1.0&app_uid=alice");
  ASSERT_TRUE(query);
  EXPECT_EQ(*query,
            "app_id=qr%20app&app_uid=alice&client_version=1.0&nonce=0123456789abcdef&"
            "platform=linux&timestamp=1700000000");
  const std::string canonical =
      CanonicalText("POST", "/v2/record/control/complete", *query, R"({"record_id":"42"})",
                    "1700000000", "0123456789abcdef");
  EXPECT_EQ(canonical, "POST\n/v2/record/control/complete\n" + *query +
                           "\n5783b70ab0b1a332425c4c6403dc29990e001d5a7a767d1da2de8c844c88de36\n"
                           "1700000000\n0123456789abcdef");
  EXPECT_EQ(SignCanonicalText("s3cret", canonical),
            "72883a13a32e4b0bae9ef74511f6b4e6e3a0889959dd6a9bcab208380c6eb952");
}

TEST(BackendRequestSignatureTest, NormalisesEncodingBeforeSorting) {
  // Lower-case escapes and escaped unreserved characters canonicalise like their plain form.
  EXPECT_EQ(CanonicalQuery("b=%2f&a=%7E"), "a=~&b=%2F");
  // Repeated names are ordered by value.
  EXPECT_EQ(CanonicalQuery("k=2&k=10&k=1"), "k=1&k=10&k=2");
  EXPECT_EQ(CanonicalQuery(""), "");
  EXPECT_FALSE(CanonicalQuery("a=%"));
}

TEST(BackendRequestSignatureTest, EmptyBodyHashesAsTheEmptyString) {
  EXPECT_NE(CanonicalText("GET", "/p", "", "", "1", "n")
                .find("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"),
            std::string::npos);
}

}  // namespace
}  // namespace qr_backend
