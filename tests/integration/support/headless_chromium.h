#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quickrec::testing {

// Headless Chromium opened on one page for a test: a fresh profile in `profile_dir`, no GPU, no
// network of its own (no QUIC, no background fetches, no component updates), in a process
// group of its own so Close() ends the browser and every helper process it started.
class HeadlessChromium {
 public:
  HeadlessChromium() = default;
  ~HeadlessChromium() { Close(); }
  HeadlessChromium(const HeadlessChromium&) = delete;
  HeadlessChromium& operator=(const HeadlessChromium&) = delete;

  // The browser's path ("chromium" on PATH), empty when it is not installed.
  static std::string Find();
  // False when the browser cannot be started; `profile_dir` must be a new, empty directory.
  // `extra_args` go before the address (e.g. "--screenshot=FILE").
  bool Open(const std::string& url, const std::string& profile_dir, const std::vector<std::string>& extra_args = {});
  // SIGTERM to the group, SIGKILL after three seconds, then reaps the browser.
  void Close();

 private:
  pid_t pid_ = -1;
};

}  // namespace quickrec::testing
