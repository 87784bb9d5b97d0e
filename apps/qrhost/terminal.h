#pragma once

#include <termios.h>

#include <cstdio>

#include <string>

namespace qrhost {

// The terminal of an interactive run: keys arrive one at a time without echo, and one status
// line is redrawn in place. The terminal's settings are put back when the object goes away.
// Without a terminal on stdin and stdout, no keys arrive and lines are printed as they are.
class Terminal {
 public:
  static constexpr int kEscape = 27;
  static constexpr int kEnter = '\n';

  // Draws on `out` (stdout, or stderr when stdout carries a result for a program).
  explicit Terminal(FILE* out = stdout);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool interactive() const { return interactive_; }
  // The next key, or -1 when none waits. An escape sequence (arrows, function keys) is read
  // whole and dropped; a lone Escape is kEscape; Return is kEnter.
  int ReadKey();
  // Replaces the status line (interactive), or prints `text` as a line when it changed.
  void Draw(const std::string& text);
  // Ends the status line, so that what follows starts on a line of its own.
  void EndLine();

 private:
  FILE* const out_;
  bool interactive_ = false;
  bool line_open_ = false;
  std::string last_;
  termios saved_{};
};

}  // namespace qrhost
