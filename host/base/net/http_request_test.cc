#include "host/base/net/http_request.h"

#include <gtest/gtest.h>

namespace base::net {
namespace {

TEST(HttpRequestTest, MapsMethodCodes) {
  EXPECT_EQ(CreateHttpRequest("http://h/", kHttpGet, false)->method(), "GET");
  EXPECT_EQ(CreateHttpRequest("http://h/", kHttpHead, false)->method(), "HEAD");
  EXPECT_EQ(CreateHttpRequest("https://h/", kHttpPost, false)->method(), "POST");
  EXPECT_EQ(CreateHttpRequest("http://h/", 0, false), nullptr);
  EXPECT_EQ(CreateHttpRequest("http://h/", 4, false), nullptr);
}

TEST(HttpRequestTest, RefusesUrlsThatAreNotHttp) {
  EXPECT_EQ(CreateHttpRequest("", kHttpHead, true), nullptr);
  EXPECT_EQ(CreateHttpRequest("bucket.example.com", kHttpHead, true), nullptr);
  EXPECT_EQ(CreateHttpRequest("ftp://bucket.example.com/", kHttpHead, true), nullptr);
}

TEST(HttpRequestTest, KeepsWhatItWasGiven) {
  auto request = CreateHttpRequest("https://bucket.example.com", kHttpHead, true);
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(request->url(), "https://bucket.example.com");
  EXPECT_TRUE(request->fresh_connection());
  EXPECT_EQ(request->timeout_ms(), 30000);
  request->SetTimeout(15000);
  EXPECT_EQ(request->timeout_ms(), 15000);
}

}  // namespace
}  // namespace base::net
