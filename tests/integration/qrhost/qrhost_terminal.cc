#include "qrhost_terminal.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

QrhostTerminal::QrhostTerminal(const std::string& args) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 200;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    const std::string command = std::string(QUICKREC_BIN_DIR) + "/qrhost " + args;
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

QrhostTerminal::~QrhostTerminal() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

void QrhostTerminal::Type(const std::string& keys) {
  if (master_ < 0) return;
  const ssize_t written = write(master_, keys.data(), keys.size());
  (void)written;  // a closed terminal shows in the next wait
}

bool QrhostTerminal::ReadSome(int ms) {
  pollfd ready{master_, POLLIN, 0};
  if (poll(&ready, 1, ms) <= 0) return true;
  char buffer[4096];
  const ssize_t n = read(master_, buffer, sizeof buffer);
  if (n <= 0) return false;  // EIO once the child has gone
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool QrhostTerminal::WaitFor(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const size_t at = output_.find(text, consumed_);
    if (at != std::string::npos) {
      consumed_ = at + text.size();
      return true;
    }
    if (std::chrono::steady_clock::now() > deadline || !ReadSome(50)) return false;
  }
}

int QrhostTerminal::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline && ReadSome(50)) {
  }
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    ReadSome(50);
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
