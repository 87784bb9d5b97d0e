#include "headless_chromium.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

namespace quickrec::testing {

std::string HeadlessChromium::Find() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = dir + "/chromium";
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

bool HeadlessChromium::Open(const std::string& url, const std::string& profile_dir,
                            const std::vector<std::string>& extra_args) {
  Close();
  const std::string program = Find();
  if (program.empty()) return false;
  std::vector<std::string> args = {program,
                                         "--headless",
                                         "--no-sandbox",
                                         "--disable-gpu",
                                         "--disable-quic",
                                         "--no-first-run",
                                         "--disable-background-networking",
                                         "--disable-component-update",
                                         "--disable-sync",
                                         "--autoplay-policy=no-user-gesture-required",
                                         "--user-data-dir=" + profile_dir};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  args.push_back(url);
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    setpgid(0, 0);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (pid_ > 0) setpgid(pid_, pid_);  // also here, so Close() never races the child's own call
  return pid_ > 0;
}

void HeadlessChromium::Close() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Helpers the browser left behind.
  kill(-pid_, SIGKILL);
  pid_ = -1;
}

}  // namespace quickrec::testing
