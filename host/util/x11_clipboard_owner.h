#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct xcb_connection_t;

namespace util::system {

// Owns the X11 CLIPBOARD selection for the host and answers paste requests from its own event
// thread. Texts larger than one X request are not offered (no INCR transfers).
class X11ClipboardOwner {
 public:
  // Connects to $DISPLAY; null without a display.
  static std::unique_ptr<X11ClipboardOwner> Connect();
  ~X11ClipboardOwner();
  X11ClipboardOwner(const X11ClipboardOwner&) = delete;
  X11ClipboardOwner& operator=(const X11ClipboardOwner&) = delete;

  // Takes the selection with `text`; false when the server did not give it to us.
  bool SetText(const std::string& text);

 private:
  X11ClipboardOwner(xcb_connection_t* connection, uint32_t window);
  void EventLoop();
  uint32_t Atom(const char* name);

  xcb_connection_t* const connection_;
  const uint32_t window_;
  uint32_t clipboard_ = 0, targets_ = 0, utf8_ = 0, text_atom_ = 0, string_ = 0, wake_ = 0;
  std::mutex mutex_;
  std::string text_;
  std::thread events_;
};

}  // namespace util::system
