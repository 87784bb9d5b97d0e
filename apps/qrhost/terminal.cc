#include "apps/qrhost/terminal.h"

#include <poll.h>
#include <unistd.h>


namespace qrhost {

Terminal::Terminal(FILE* out) : out_(out), interactive_(isatty(STDIN_FILENO) && isatty(fileno(out))) {
  if (!interactive_ || tcgetattr(STDIN_FILENO, &saved_) != 0) {
    interactive_ = false;
    return;
  }
  termios raw = saved_;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_iflag |= ICRNL;
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

Terminal::~Terminal() {
  if (!interactive_) return;
  EndLine();
  tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

int Terminal::ReadKey() {
  if (!interactive_) return -1;
  unsigned char keys[16];
  const ssize_t n = read(STDIN_FILENO, keys, sizeof keys);
  if (n <= 0) return -1;
  if (keys[0] != kEscape) return keys[0];
  if (n > 1) return -1;  // a sequence that came in one piece
  // A sequence may come in pieces; a lone Escape has nothing after it.
  pollfd more{STDIN_FILENO, POLLIN, 0};
  if (poll(&more, 1, 30) <= 0) return kEscape;
  while (read(STDIN_FILENO, keys, sizeof keys) > 0) {
  }
  return -1;
}

void Terminal::Draw(const std::string& text) {
  if (text == last_) return;
  last_ = text;
  if (interactive_) {
    std::fprintf(out_, "\r\033[K%s", text.c_str());
    line_open_ = true;
  } else {
    std::fprintf(out_, "%s\n", text.c_str());
  }
  std::fflush(out_);
}

void Terminal::EndLine() {
  if (line_open_) std::fputc('\n', out_);
  line_open_ = false;
  last_.clear();
  std::fflush(out_);
}

}  // namespace qrhost
