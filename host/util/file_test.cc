#include "host/util/file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"

namespace util::file {
namespace {

TEST(FileTest, ExistsLengthAndRemove) {
  ScopedTempDir dir;
  const std::string path = dir.Child("a.txt");
  EXPECT_FALSE(IsFileExist(path));
  EXPECT_EQ(GetFileLength(path), -1);
  ASSERT_TRUE(WriteFileAtomically(path, "hello"));
  EXPECT_TRUE(IsFileExist(path));
  EXPECT_EQ(GetFileLength(path), 5);
  EXPECT_EQ(GetFileLength(dir.path()), -1);  // not a regular file
  EXPECT_TRUE(Remove(path));
  EXPECT_FALSE(IsFileExist(path));
  EXPECT_TRUE(Remove(path));  // nothing left is success
  EXPECT_FALSE(IsFileExist(""));
}

TEST(FileTest, MakePathCreatesEveryLevelAndRemoveTakesOnlyEmptyDirectories) {
  ScopedTempDir dir;
  const std::string deep = dir.Child("x/y/z");
  EXPECT_FALSE(MakeDirectory(deep));  // parents missing
  ASSERT_TRUE(MakePath(deep));
  ASSERT_TRUE(MakePath(deep + "/"));  // again, with a trailing slash
  struct stat st {};
  ASSERT_EQ(::stat(deep.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(WriteFileAtomically(deep + "/f", "x"));
  EXPECT_FALSE(Remove(dir.Child("x/y/z")));
  EXPECT_TRUE(Remove(deep + "/f"));
  EXPECT_TRUE(Remove(deep));
  EXPECT_FALSE(IsFileExist(deep));
  // A file in the way of a directory is not a directory.
  ASSERT_TRUE(WriteFileAtomically(dir.Child("file"), "x"));
  EXPECT_FALSE(MakePath(dir.Child("file/sub")));
  EXPECT_FALSE(MakeDirectory(dir.Child("file")));
}

TEST(FileTest, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile) {
  ScopedTempDir dir;
  const std::string path = dir.Child("state.json");
  ASSERT_TRUE(WriteFileAtomically(path, std::string(100000, 'a')));
  ASSERT_TRUE(WriteFileAtomically(path, "short"));
  std::string contents;
  ASSERT_TRUE(ReadFileToString(path, &contents));
  EXPECT_EQ(contents, "short");
  EXPECT_FALSE(WriteFileAtomically(dir.Child("missing/state.json"), "x"));
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(ReadFileToString(dir.Child("missing"), &contents));
}

TEST(FileTest, PathParts) {
  EXPECT_EQ(DirName("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(DirName("/c.txt"), "/");
  EXPECT_EQ(DirName("c.txt"), ".");
  EXPECT_EQ(BaseName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(BaseName("c.txt"), "c.txt");
}

TEST(FileTest, UserDataDirectoryFollowsXdgDataHome) {
  {
    util::ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(GetUserDataDirectory(), "/srv/data/quickrec/");
  }
  {
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    util::ScopedEnv xdg("XDG_DATA_HOME", "relative");
    util::ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(GetUserDataDirectory(), "/home/u/.local/share/quickrec/");
  }
}

}  // namespace
}  // namespace util::file
