#include "killed_child.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

KilledChild::KilledChild(const std::function<void(int report_fd)>& work) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(pipe_fds[0]);
    work(pipe_fds[1]);
    _exit(0);
  }
  ::close(pipe_fds[1]);
  if (pid_ < 0) {
    ::close(pipe_fds[0]);
    return;
  }
  read_fd_ = pipe_fds[0];
}

KilledChild::~KilledChild() {
  // A failed assertion may leave the child running; it must not outlive the test.
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (read_fd_ >= 0) ::close(read_fd_);
}

bool KilledChild::ReadNumber(uint32_t* n) {
  return read_fd_ >= 0 && ::read(read_fd_, n, sizeof *n) == static_cast<ssize_t>(sizeof *n);
}

::testing::AssertionResult KilledChild::Kill() {
  if (pid_ <= 0) return ::testing::AssertionFailure() << "no child to kill";
  if (::kill(pid_, SIGKILL) != 0) return ::testing::AssertionFailure() << "kill failed";
  int status = 0;
  const pid_t reaped = ::waitpid(pid_, &status, 0);
  pid_ = -1;
  if (reaped <= 0) return ::testing::AssertionFailure() << "waitpid failed";
  if (!WIFSIGNALED(status))
    return ::testing::AssertionFailure() << "the child stopped by itself with status " << status;
  return ::testing::AssertionSuccess();
}
