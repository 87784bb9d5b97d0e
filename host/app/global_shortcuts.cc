#include "host/app/global_shortcuts.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

#include "host/base/logging/logger.h"

namespace host::app {
namespace {

constexpr uint8_t kBadAccess = 10;
// Caps Lock and Num Lock must not turn a shortcut off: each combination is grabbed with them too.
constexpr uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

uint32_t NamedKeysym(const std::string& name) {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= 'A' && c <= 'Z') return static_cast<uint32_t>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return static_cast<uint32_t>(c);
  }
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    const int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 24 && name.find_first_not_of("0123456789", 1) == std::string::npos) return 0xffbe + n - 1;
  }
  static const std::map<std::string, uint32_t> kNamed = {{"Space", 0x20},     {"Pause", 0xff13},  {"Print", 0xff61},
                                                         {"Insert", 0xff63},  {"Delete", 0xffff}, {"Home", 0xff50},
                                                         {"End", 0xff57}};
  auto it = kNamed.find(name);
  return it == kNamed.end() ? 0 : it->second;
}

}  // namespace

bool KeyBinding::Parse(const std::string& text, KeyBinding* binding, std::string* error) {
  static const std::map<std::string, uint16_t> kModifiers = {{"Ctrl", XCB_MOD_MASK_CONTROL},
                                                             {"Shift", XCB_MOD_MASK_SHIFT},
                                                             {"Alt", XCB_MOD_MASK_1},
                                                             {"Super", XCB_MOD_MASK_4}};
  KeyBinding parsed;
  std::istringstream in(text);
  std::vector<std::string> parts;
  for (std::string part; std::getline(in, part, '+');) parts.push_back(part);
  if (parts.empty()) {
    *error = "empty key combination";
    return false;
  }
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = kModifiers.find(parts[i]);
    if (it == kModifiers.end()) {
      *error = "unknown modifier \"" + parts[i] + "\" in \"" + text + "\"";
      return false;
    }
    parsed.modifiers |= it->second;
  }
  parsed.keysym = NamedKeysym(parts.back());
  if (!parsed.keysym) {
    *error = "unknown key \"" + parts.back() + "\" in \"" + text + "\"";
    return false;
  }
  *binding = parsed;
  return true;
}

uint16_t KeyBinding::ChoosingModifiers(uint16_t state) {
  return state & 0xff & ~(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
}

bool KeyBinding::Matches(uint32_t pressed_keysym, uint16_t state) const {
  if (pressed_keysym >= 'A' && pressed_keysym <= 'Z') pressed_keysym += 'a' - 'A';
  return pressed_keysym == keysym && ChoosingModifiers(state) == modifiers;
}

std::unique_ptr<GlobalShortcuts> GlobalShortcuts::Grab(const std::map<std::string, std::string>& bindings,
                                                       PressHandler on_press, std::string* error) {
  int screen_number = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    *error = "cannot open the X display for global shortcuts";
    return nullptr;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screen_number && screens.rem; ++i) xcb_screen_next(&screens);
  std::unique_ptr<GlobalShortcuts> shortcuts(new GlobalShortcuts(connection, screens.data->root, std::move(on_press)));
  for (const auto& [action, keys] : bindings) shortcuts->GrabOne(action, keys);
  shortcuts->events_ = std::thread([raw = shortcuts.get()] { raw->EventLoop(); });
  return shortcuts;
}

GlobalShortcuts::GlobalShortcuts(xcb_connection_t* connection, uint32_t root, PressHandler on_press)
    : connection_(connection), root_(root), on_press_(std::move(on_press)) {
  // A window of our own to send the stop message to: the event thread waits in xcb_wait_for_event.
  wake_window_ = xcb_generate_id(connection_);
  xcb_create_window(connection_, XCB_COPY_FROM_PARENT, wake_window_, root_, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const char kWake[] = "QUICKREC_SHORTCUTS_STOP";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, sizeof(kWake) - 1, kWake), nullptr);
  if (atom) wake_atom_ = atom->atom;
  free(atom);
}

GlobalShortcuts::~GlobalShortcuts() {
  xcb_client_message_event_t stop{};
  stop.response_type = XCB_CLIENT_MESSAGE;
  stop.format = 32;
  stop.window = wake_window_;
  stop.type = wake_atom_;
  xcb_send_event(connection_, 0, wake_window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&stop));
  xcb_flush(connection_);
  if (events_.joinable()) events_.join();
  for (const auto& grabbed : grabbed_) {
    for (uint16_t lock : kLockVariants) xcb_ungrab_key(connection_, grabbed.keycode, root_, grabbed.modifiers | lock);
  }
  xcb_destroy_window(connection_, wake_window_);
  xcb_flush(connection_);
  xcb_disconnect(connection_);
}

uint8_t KeycodeForKeysym(xcb_connection_t* connection, uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const uint8_t first = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* mapping =
      xcb_get_keyboard_mapping_reply(connection, xcb_get_keyboard_mapping(connection, first, count), nullptr);
  if (!mapping) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
  const int per_code = mapping->keysyms_per_keycode;
  uint8_t keycode = 0;
  for (int code = 0; code < count && !keycode; ++code) {
    for (int column = 0; column < per_code && column < 2; ++column) {
      if (syms[code * per_code + column] == keysym) keycode = static_cast<uint8_t>(first + code);
    }
  }
  free(mapping);
  return keycode;
}

void GlobalShortcuts::GrabOne(const std::string& action, const std::string& keys) {
  Result result{action, keys, false, {}};
  KeyBinding binding;
  const uint8_t keycode = KeyBinding::Parse(keys, &binding, &result.error) ? KeycodeForKeysym(connection_, binding.keysym) : 0;
  if (result.error.empty() && !keycode) result.error = "the keyboard has no key for \"" + keys + "\"";
  for (size_t i = 0; keycode && result.error.empty() && i < std::size(kLockVariants); ++i) {
    xcb_generic_error_t* failure = xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 1, root_, binding.modifiers | kLockVariants[i], keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (failure) {
      result.error = failure->error_code == kBadAccess ? "\"" + keys + "\" is already taken by another program"
                                                       : "the X server refused \"" + keys + "\" (error " +
                                                             std::to_string(failure->error_code) + ")";
      free(failure);
      for (size_t j = 0; j < i; ++j) xcb_ungrab_key(connection_, keycode, root_, binding.modifiers | kLockVariants[j]);
    }
  }
  result.grabbed = result.error.empty();
  if (result.grabbed) {
    grabbed_.push_back({action, keycode, binding.modifiers});
    KLOG(6) << "global shortcut " << action << ": " << keys;
  } else {
    KLOG(1) << "global shortcut " << action << " not available: " << result.error;
  }
  xcb_flush(connection_);
  results_.push_back(std::move(result));
}

void GlobalShortcuts::EventLoop() {
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CLIENT_MESSAGE && reinterpret_cast<xcb_client_message_event_t*>(event)->type == wake_atom_) {
      free(event);
      return;
    }
    if (type == XCB_KEY_PRESS) {
      const auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
      const uint16_t modifiers = KeyBinding::ChoosingModifiers(press->state);
      for (const auto& grabbed : grabbed_) {
        if (grabbed.keycode == press->detail && grabbed.modifiers == modifiers) on_press_(grabbed.action);
      }
    }
    free(event);
  }
}

}  // namespace host::app
