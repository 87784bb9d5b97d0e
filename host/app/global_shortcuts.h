#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct xcb_connection_t;

namespace host::app {

// A key combination as the configuration writes it: "Ctrl+Alt+R", "Shift+Super+F9". Modifiers
// Ctrl, Shift, Alt, Super; keys A-Z, 0-9, F1-F24, Space, Pause, Print, Insert, Delete, Home, End.
struct KeyBinding {
  uint16_t modifiers = 0;  // X modifier mask
  uint32_t keysym = 0;
  // False with `*error` for text that is not such a combination.
  static bool Parse(const std::string& text, KeyBinding* binding, std::string* error);
  // The modifiers of a key event's X state that choose a shortcut: Caps Lock and Num Lock do not.
  static uint16_t ChoosingModifiers(uint16_t state);
  // A press of `keysym` with the X state `state` is this combination; a letter counts in either case.
  bool Matches(uint32_t keysym, uint16_t state) const;
};

// The key that types `keysym` (unshifted or shifted) on the display's keyboard; 0 when none does.
uint8_t KeycodeForKeysym(xcb_connection_t* connection, uint32_t keysym);

// Keyboard shortcuts grabbed on the whole X display ($DISPLAY), so they work whichever window
// has the focus. Each press of a grabbed combination calls `on_press(action)` on the grabber's
// own event thread. A combination that another program has grabbed already cannot be ours: its
// result says so and names it, and the other bindings still work.
class GlobalShortcuts {
 public:
  struct Result {
    std::string action;
    std::string keys;
    bool grabbed = false;
    std::string error;  // why not, when not grabbed
  };
  using PressHandler = std::function<void(const std::string& action)>;

  // `bindings`: action -> combination. Null (with `*error`) when the display cannot be opened.
  static std::unique_ptr<GlobalShortcuts> Grab(const std::map<std::string, std::string>& bindings,
                                               PressHandler on_press, std::string* error);
  ~GlobalShortcuts();
  GlobalShortcuts(const GlobalShortcuts&) = delete;
  GlobalShortcuts& operator=(const GlobalShortcuts&) = delete;

  const std::vector<Result>& results() const { return results_; }

 private:
  struct Grabbed {
    std::string action;
    uint8_t keycode;
    uint16_t modifiers;
  };

  GlobalShortcuts(xcb_connection_t* connection, uint32_t root, PressHandler on_press);
  void GrabOne(const std::string& action, const std::string& keys);
  void EventLoop();

  xcb_connection_t* const connection_;
  const uint32_t root_;
  uint32_t wake_window_ = 0;
  uint32_t wake_atom_ = 0;
  PressHandler on_press_;
  std::vector<Result> results_;
  std::vector<Grabbed> grabbed_;
  std::thread events_;
};

}  // namespace host::app
