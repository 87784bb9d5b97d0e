#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>

// A child process killed with SIGKILL at a moment the test picks, for crash tests. The child
// reports each step it completed as a number on a pipe, so the parent knows what must survive.
class KilledChild {
 public:
  // Forks; the child runs `work` with the pipe's write end. `work` must not return: it loops until
  // killed or leaves with _exit.
  explicit KilledChild(const std::function<void(int report_fd)>& work);
  ~KilledChild();
  KilledChild(const KilledChild&) = delete;
  KilledChild& operator=(const KilledChild&) = delete;

  bool started() const { return pid_ > 0; }
  // Waits for the next number the child reported; false once the pipe has ended.
  bool ReadNumber(uint32_t* n);
  // Sends SIGKILL and reaps the child; fails when the child had stopped by itself.
  ::testing::AssertionResult Kill();

 private:
  pid_t pid_ = -1;
  int read_fd_ = -1;
};
