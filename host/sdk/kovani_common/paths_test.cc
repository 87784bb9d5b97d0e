#include "host/sdk/kovani_common/paths.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/file.h"
#include "host/util/scoped_env.h"
#include "host/util/scoped_temp_dir.h"

namespace kovani_common::utils {
namespace {

TEST(PathsTest, DataLivesPerUserUnderTheDataDirectory) {
  util::file::ScopedTempDir dir;
  util::ScopedEnv xdg("XDG_DATA_HOME", dir.path().c_str());
  EXPECT_EQ(GetUserDataPath(), dir.path() + "/quickrec/anonymous/");

  base::test::TestTaskEnvironment env;
  host::app::HostConfig config;
  config.account.app_uid = "../uid 7";
  host::app::HostApplication app(config);
  EXPECT_EQ(GetUserDataPath(), dir.path() + "/quickrec/.._uid_7/");
  const std::string database = GetDatabasePath();
  EXPECT_EQ(database, dir.path() + "/quickrec/.._uid_7/database/");
  EXPECT_TRUE(util::file::IsFileExist(database));
}

TEST(PathsTest, TranscoderIsBesideTheHostLibrary) {
  const std::string path = record::GetTranscodeExecuteFilePath();
  EXPECT_EQ(util::file::BaseName(path), "qr-transcoder");
  EXPECT_EQ(util::file::BaseName(util::file::DirName(path)), "bin");
  EXPECT_FALSE(record::GetTranscodeTargetName().empty());
}

}  // namespace
}  // namespace kovani_common::utils
