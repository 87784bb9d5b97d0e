#include "host/app/module_library.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "host/base/threading/test_task_environment.h"

namespace host::app {
namespace {

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

TEST(ModuleLibraryTest, UnloadRunsTheWorkTheModuleQueuedAndItsAnswersFirst) {
  base::test::TestTaskEnvironment env;
  unsetenv("QUEUED_WORK_MODULE_WORK");
  unsetenv("QUEUED_WORK_MODULE_ANSWER");
  std::string error;
  auto library = ModuleLibrary::Load(QUEUED_WORK_MODULE, &error);
  ASSERT_NE(library, nullptr) << error;
  library->Activate();
  library->Deactivate();
  ASSERT_EQ(env.worker_looper().PendingCount(), 1u);

  library.reset();
  EXPECT_EQ(EnvValue("QUEUED_WORK_MODULE_WORK"), "ran");
  EXPECT_EQ(EnvValue("QUEUED_WORK_MODULE_ANSWER"), "ran");
  EXPECT_EQ(env.worker_looper().PendingCount(), 0u);
  EXPECT_EQ(env.main_looper().PendingCount(), 0u);
}

TEST(ModuleLibraryTest, AFileThatIsNoModuleIsRefusedWithOneLine) {
  std::string error;
  EXPECT_EQ(ModuleLibrary::Load("/nonexistent/module.so", &error), nullptr);
  EXPECT_NE(error.find("cannot load module /nonexistent/module.so"), std::string::npos) << error;
}

}  // namespace
}  // namespace host::app
