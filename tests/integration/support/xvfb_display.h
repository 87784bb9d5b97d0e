#pragma once

#include <sys/types.h>

#include <string>

namespace quickrec::testing {

// An Xvfb server for a test: started on a free display number (Xvfb picks it and reports it
// through -displayfd, so parallel tests never collide), without TCP, and killed when the object
// goes away. Start returns once the server accepts connections.
class XvfbDisplay {
 public:
  XvfbDisplay() = default;
  ~XvfbDisplay() { Stop(); }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // One screen of width x height x 24. False (with the reason in error()) when Xvfb is not
  // installed or does not accept connections within `timeout_ms`.
  bool Start(int width, int height, int timeout_ms = 20000);
  // Terminates the server (SIGTERM, then SIGKILL after five seconds) and waits for it.
  void Stop();

  bool running() const { return pid_ > 0; }
  // ":N", for DISPLAY.
  const std::string& name() const { return name_; }
  pid_t pid() const { return pid_; }
  const std::string& error() const { return error_; }

 private:
  bool AcceptsConnections(int timeout_ms);

  pid_t pid_ = -1;
  std::string name_;
  std::string error_;
};

}  // namespace quickrec::testing
