#include "host/sdk/kovani/open_web_page.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "host/base/logging/logger.h"

extern char** environ;

namespace kovani {
namespace {

struct History {
  std::mutex mutex;
  std::vector<std::string> urls;
};

History& GetHistory() {
  static auto* history = new History;
  return *history;
}

bool HasDesktopSession() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

bool OpenWebPage(const std::string& url) {
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
    KLOG(3) << "OpenWebPage refused an address that is not http(s): " << url;
    return false;
  }
  {
    History& history = GetHistory();
    std::lock_guard lock(history.mutex);
    history.urls.push_back(url);
  }
  if (!HasDesktopSession()) {
    KLOG(6) << "no desktop session; not opening " << url;
    return false;
  }
  // One argument that starts with the scheme, so it can never be read as an option.
  std::string program = "xdg-open";
  std::string argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = -1;
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  const int rc = posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) {
    KLOG(3) << "cannot run xdg-open: errno " << rc;
    return false;
  }
  // Reap it whenever it ends, without making anybody wait.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  KLOG(6) << "opened " << url;
  return true;
}

std::vector<std::string> GetOpenedWebPages() {
  History& history = GetHistory();
  std::lock_guard lock(history.mutex);
  return history.urls;
}

}  // namespace kovani
