#include "qrhost_process.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "host/util/scoped_temp_dir.h"

namespace {

class PrivateHome : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", dir_.Child("data").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", dir_.Child("run").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir_.Child("config").c_str(), 1);
    ::unsetenv("QUICKREC_CONFIG");
  }
  void TearDown() override { RunQrhost("backend stop", true); }
  const std::string& path() const { return dir_.path(); }

 private:
  util::file::ScopedTempDir dir_;
};

PrivateHome* const home = static_cast<PrivateHome*>(::testing::AddGlobalTestEnvironment(new PrivateHome));

}  // namespace

const std::string& QrhostTestHome() { return home->path(); }

ProcessRun RunQrhost(const std::string& args, bool headless) {
  const std::string command =
      std::string(headless ? "env -u DISPLAY " : "") + QUICKREC_BIN_DIR + "/qrhost " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}
