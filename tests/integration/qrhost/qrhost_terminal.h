#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

// build/bin/qrhost run in a pseudo-terminal, as a user at a terminal runs it: a test types keys
// and reads what it drew. The process is killed when the object goes away.
class QrhostTerminal {
 public:
  explicit QrhostTerminal(const std::string& args);
  ~QrhostTerminal();
  QrhostTerminal(const QrhostTerminal&) = delete;
  QrhostTerminal& operator=(const QrhostTerminal&) = delete;

  bool started() const { return pid_ > 0; }
  void Type(const std::string& keys);
  // Reads until `text` appears after what earlier waits consumed; false on timeout or exit.
  bool WaitFor(const std::string& text, std::chrono::milliseconds timeout);
  // Reads to the end and returns the exit code (-1 when it had to be killed after `timeout`).
  int WaitForExit(std::chrono::milliseconds timeout);
  // Everything it wrote so far.
  const std::string& output() const { return output_; }

 private:
  // Reads what is there within `ms`; false at the end of the output.
  bool ReadSome(int ms);

  pid_t pid_ = -1;
  int master_ = -1;
  std::string output_;
  size_t consumed_ = 0;
};
