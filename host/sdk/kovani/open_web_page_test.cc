#include "host/sdk/kovani/open_web_page.h"

#include <gtest/gtest.h>

#include "host/util/scoped_env.h"

namespace kovani {
namespace {

TEST(OpenWebPageTest, WithoutADesktopPagesAreKeptButNotOpened) {
  util::ScopedEnv no_x11("DISPLAY", nullptr);
  util::ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  const size_t before = GetOpenedWebPages().size();
  EXPECT_FALSE(OpenWebPage("https://web.example.test/play/abc"));
  EXPECT_FALSE(OpenWebPage("http://127.0.0.1:8080/x"));
  const auto pages = GetOpenedWebPages();
  ASSERT_EQ(pages.size(), before + 2);
  EXPECT_EQ(pages[before], "https://web.example.test/play/abc");
  EXPECT_EQ(pages[before + 1], "http://127.0.0.1:8080/x");
}

TEST(OpenWebPageTest, OtherSchemesAreRefused) {
  const size_t before = GetOpenedWebPages().size();
  for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "--help", "", "HTTPS//x"}) {
    EXPECT_FALSE(OpenWebPage(url)) << url;
  }
  EXPECT_EQ(GetOpenedWebPages().size(), before);
}

}  // namespace
}  // namespace kovani
