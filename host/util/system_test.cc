#include "host/util/system.h"

#include <gtest/gtest.h>

#include "host/util/scoped_env.h"

namespace util::system {
namespace {

TEST(SystemTest, WithoutADisplayTheTextIsOnlyKept) {
  util::ScopedEnv no_display("DISPLAY", nullptr);
  EXPECT_FALSE(CopyStringToPasteboard("https://example.test/play/1"));
  EXPECT_EQ(GetLastCopiedString(), "https://example.test/play/1");
  EXPECT_FALSE(CopyStringToPasteboard(""));
  EXPECT_EQ(GetLastCopiedString(), "");
}

}  // namespace
}  // namespace util::system
