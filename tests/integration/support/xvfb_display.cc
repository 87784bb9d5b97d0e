#include "xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <thread>
#include <algorithm>

namespace quickrec::testing {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool XvfbDisplay::Start(int width, int height, int timeout_ms) {
  Stop();
  const int64_t deadline = NowMs() + timeout_ms;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    error_ = "pipe failed";
    return false;
  }
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string displayfd = std::to_string(pipe_fds[1]);
  pid_ = fork();
  if (pid_ == 0) {
    close(pipe_fds[0]);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execlp("Xvfb", "Xvfb", "-displayfd", displayfd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  if (pid_ < 0) {
    close(pipe_fds[0]);
    error_ = "fork failed";
    return false;
  }
  // Xvfb writes the display number, and a newline, once it listens.
  std::string number;
  while (number.empty() || number.back() != '\n') {
    pollfd fd{pipe_fds[0], POLLIN, 0};
    const int64_t left = deadline - NowMs();
    if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) break;
    char c = 0;
    if (read(pipe_fds[0], &c, 1) != 1) break;
    number += c;
  }
  close(pipe_fds[0]);
  if (number.size() < 2 || number.back() != '\n') {
    error_ = "Xvfb did not report a display (is it installed?)";
    Stop();
    return false;
  }
  name_ = ":" + number.substr(0, number.size() - 1);
  if (!AcceptsConnections(static_cast<int>(std::max<int64_t>(0, deadline - NowMs())))) {
    error_ = "Xvfb on " + name_ + " does not accept connections";
    Stop();
    return false;
  }
  return true;
}

bool XvfbDisplay::AcceptsConnections(int timeout_ms) {
  const int64_t deadline = NowMs() + timeout_ms;
  do {
    xcb_connection_t* connection = xcb_connect(name_.c_str(), nullptr);
    const bool ok = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (ok) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (NowMs() < deadline);
  return false;
}

void XvfbDisplay::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const int64_t deadline = NowMs() + 5000;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (NowMs() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

}  // namespace quickrec::testing
