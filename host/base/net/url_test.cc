#include "host/base/net/url.h"

#include <gtest/gtest.h>

namespace base::net {
namespace {

TEST(UrlTest, SplitsAnAbsoluteUrl) {
  const URL url = URL::From("HTTPS://Bucket.Example.com:8443/v2/a%20b/c?x=1&y=%2F#frag");
  ASSERT_TRUE(url.IsValid());
  EXPECT_EQ(url.scheme(), "https");
  EXPECT_TRUE(url.IsHttps());
  EXPECT_EQ(url.host(), "Bucket.Example.com");
  EXPECT_EQ(url.port(), 8443);
  EXPECT_EQ(url.path(), "/v2/a%20b/c");
  EXPECT_EQ(url.query(), "x=1&y=%2F");
}

TEST(UrlTest, FillsDefaultPortsAndPath) {
  const URL http = URL::From("http://127.0.0.1");
  EXPECT_EQ(http.port(), 80);
  EXPECT_EQ(http.path(), "/");
  EXPECT_TRUE(http.IsHttp());
  EXPECT_EQ(URL::From("https://example.com/x").port(), 443);
}

TEST(UrlTest, StripsIpv6Brackets) {
  const URL url = URL::From("http://[::1]:9000/p");
  ASSERT_TRUE(url.IsValid());
  EXPECT_EQ(url.host(), "::1");
  EXPECT_EQ(url.port(), 9000);
}

TEST(UrlTest, RefusesTextThatIsNotAnAbsoluteUrl) {
  for (const char* text : {"", "example.com/path", "/v2/record", "http://", "://x", "http://a b/"}) {
    const URL url = URL::From(text);
    EXPECT_FALSE(url.IsValid()) << text;
    EXPECT_TRUE(url.scheme().empty()) << text;
    EXPECT_TRUE(url.host().empty()) << text;
  }
}

}  // namespace
}  // namespace base::net
