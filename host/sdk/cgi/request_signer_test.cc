#include "host/sdk/cgi/request_signer.h"

#include <gtest/gtest.h>

namespace KOVANI_CGI {
namespace {

// Expected values computed with Python's urllib.parse.quote(safe="-_.~"), hashlib and hmac from the
// recipe in docs/signed-requests.md, not with this code base.
TEST(RequestSignerTest, MatchesAnIndependentlyComputedSignature) {
  const QueryParams params = {{"nonce", "0123456789abcdef"}, {"timestamp", "1700000000"}, {"app_id", "qr app"},
                              {"platform", "linux"},         {"client_version", "1.0"},   {"app_uid", "alice"},
                              {"z", "\xc3\xa9/+ "},          {"k", "2"},                  {"k", "10"},
                              {"K", "1"}};
  const std::string query = RequestSigner::CanonicalQuery(params);
  EXPECT_EQ(query,
            "K=1&app_id=qr%20app&app_uid=alice&client_version=1.0&k=10&k=2&nonce=0123456789abcdef&"
            "platform=linux&timestamp=1700000000&z=%C3%A9%2F%2B%20");
  const std::string canonical = RequestSigner::CanonicalText("POST", "/v2/record/control/complete", query,
                                                             R"({"record_id":"42"})", "1700000000",
                                                             "0123456789abcdef");
  EXPECT_EQ(canonical, "POST\n/v2/record/control/complete\n" + query +
                           "\n5783b70ab0b1a332425c4c6403dc29990e001d5a7a767d1da2de8c844c88de36\n"
                           "1700000000\n0123456789abcdef");
  EXPECT_EQ(RequestSigner::Sign("s3cret", canonical),
            "92f35b6e025d688708f247a70b547b18738934d97c800fe15b05484069073f2f");
}

TEST(RequestSignerTest, SortsByEncodedBytesNotByRawText) {
  // "a" sorts before its extension "a%2B"; '~' stays unencoded and sorts after the letters.
  EXPECT_EQ(RequestSigner::CanonicalQuery({{"b", "~"}, {"b", "a"}, {"a+", "1"}, {"a", "2"}}),
            "a=2&a%2B=1&b=a&b=~");
  // Upper case sorts before lower case (bytes), and equal names fall back to the values.
  EXPECT_EQ(RequestSigner::CanonicalQuery({{"x", "b"}, {"X", "c"}, {"x", "a"}}), "X=c&x=a&x=b");
  EXPECT_EQ(RequestSigner::CanonicalQuery({}), "");
}

TEST(RequestSignerTest, SortedParamsFollowTheCanonicalOrder) {
  const auto sorted = RequestSigner::SortedParams({{"b", "1"}, {"a", "2"}, {"a", "10"}});
  ASSERT_EQ(sorted.size(), 3u);
  EXPECT_EQ(sorted[0], std::make_pair(std::string("a"), std::string("10")));
  EXPECT_EQ(sorted[1], std::make_pair(std::string("a"), std::string("2")));
  EXPECT_EQ(sorted[2], std::make_pair(std::string("b"), std::string("1")));
}

TEST(RequestSignerTest, EveryPieceOfTheCanonicalTextChangesTheSignature) {
  const auto sign = [](const char* method, const char* path, const char* query, const char* body,
                       const char* timestamp, const char* nonce) {
    return RequestSigner::Sign("key", RequestSigner::CanonicalText(method, path, query, body, timestamp, nonce));
  };
  const std::string base = sign("POST", "/p", "a=1", "{}", "1", "n");
  EXPECT_NE(base, sign("GET", "/p", "a=1", "{}", "1", "n"));
  EXPECT_NE(base, sign("POST", "/q", "a=1", "{}", "1", "n"));
  EXPECT_NE(base, sign("POST", "/p", "a=2", "{}", "1", "n"));
  EXPECT_NE(base, sign("POST", "/p", "a=1", "{ }", "1", "n"));
  EXPECT_NE(base, sign("POST", "/p", "a=1", "{}", "2", "n"));
  EXPECT_NE(base, sign("POST", "/p", "a=1", "{}", "1", "m"));
  EXPECT_NE(base, RequestSigner::Sign("other", RequestSigner::CanonicalText("POST", "/p", "a=1", "{}", "1", "n")));
}

}  // namespace
}  // namespace KOVANI_CGI
