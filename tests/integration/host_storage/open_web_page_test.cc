// OpenWebPage in a desktop session: it starts xdg-open (here a stand-in script on the PATH that
// writes down its arguments) with the address as its one argument.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/sdk/kovani/open_web_page.h"
#include "host/util/file.h"
#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"

namespace {

TEST(OpenWebPageDesktopTest, StartsXdgOpenWithTheAddress) {
  util::file::ScopedTempDir dir;
  const std::string log = dir.Child("opened.txt");
  const std::string script = dir.Child("xdg-open");
  ASSERT_TRUE(util::file::WriteFileAtomically(script, "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > " + log + ".tmp && mv " +
                                                          log + ".tmp " + log + "\n"));
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  const std::string path = dir.path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
  util::ScopedEnv path_env("PATH", path.c_str());
  util::ScopedEnv display("DISPLAY", ":77");

  const std::string url = "https://web.example.test/play/a b?x=1&y=$(touch /tmp/pwned)";
  ASSERT_TRUE(kovani::OpenWebPage(url));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!util::file::IsFileExist(log) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::string arguments;
  ASSERT_TRUE(util::file::ReadFileToString(log, &arguments));
  // One argument, passed as it is: no shell ever saw the address.
  EXPECT_EQ(arguments, "1|" + url + "|");
  EXPECT_EQ(kovani::GetOpenedWebPages().back(), url);
}

}  // namespace
