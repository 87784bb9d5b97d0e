#include "host/util/x11_clipboard_owner.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/base/logging/logger.h"

namespace util::system {

std::unique_ptr<X11ClipboardOwner> X11ClipboardOwner::Connect() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return nullptr;
  int screen_number = 0;
  xcb_connection_t* connection = xcb_connect(display, &screen_number);
  if (xcb_connection_has_error(connection)) {
    KLOG(3) << "clipboard: cannot connect to X display " << display;
    xcb_disconnect(connection);
    return nullptr;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screen_number && screens.rem; ++i) xcb_screen_next(&screens);
  const uint32_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  return std::unique_ptr<X11ClipboardOwner>(new X11ClipboardOwner(connection, window));
}

X11ClipboardOwner::X11ClipboardOwner(xcb_connection_t* connection, uint32_t window)
    : connection_(connection), window_(window) {
  clipboard_ = Atom("CLIPBOARD");
  targets_ = Atom("TARGETS");
  utf8_ = Atom("UTF8_STRING");
  text_atom_ = Atom("TEXT");
  string_ = XCB_ATOM_STRING;
  wake_ = Atom("QUICKREC_CLIPBOARD_STOP");
  xcb_flush(connection_);
  events_ = std::thread([this] { EventLoop(); });
}

X11ClipboardOwner::~X11ClipboardOwner() {
  // The event thread waits in xcb_wait_for_event; a message to our own window wakes it to stop.
  xcb_client_message_event_t stop{};
  stop.response_type = XCB_CLIENT_MESSAGE;
  stop.format = 32;
  stop.window = window_;
  stop.type = wake_;
  xcb_send_event(connection_, 0, window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&stop));
  xcb_flush(connection_);
  if (events_.joinable()) events_.join();
  xcb_disconnect(connection_);
}

uint32_t X11ClipboardOwner::Atom(const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const uint32_t atom = reply ? reply->atom : static_cast<uint32_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

bool X11ClipboardOwner::SetText(const std::string& text) {
  // One ChangeProperty must carry the whole text; the request length counts 4-byte units.
  const size_t max_bytes = static_cast<size_t>(xcb_get_maximum_request_length(connection_)) * 4 - 64;
  if (text.size() > max_bytes) {
    KLOG(3) << "clipboard: " << text.size() << " bytes are more than one X request carries";
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    text_ = text;
  }
  xcb_set_selection_owner(connection_, window_, clipboard_, XCB_CURRENT_TIME);
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr);
  const bool ours = owner && owner->owner == window_;
  std::free(owner);
  return ours;
}

void X11ClipboardOwner::EventLoop() {
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CLIENT_MESSAGE && reinterpret_cast<xcb_client_message_event_t*>(event)->type == wake_) {
      std::free(event);
      return;
    }
    // The server sends requests only to the selection's current owner, so whoever asks gets the
    // text; after another program took the clipboard no more requests come.
    if (type == XCB_SELECTION_REQUEST) {
      auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
      // Old clients name no property; the answer then goes to the target's own name.
      const uint32_t property = request->property == XCB_ATOM_NONE ? request->target : request->property;
      bool answered = false;
      std::lock_guard lock(mutex_);
      if (request->target == targets_) {
        const std::vector<uint32_t> offered{targets_, utf8_, text_atom_, string_};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(offered.size()), offered.data());
        answered = true;
      } else if (request->target == utf8_ || request->target == text_atom_ || request->target == string_) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor, property,
                            request->target == string_ ? string_ : utf8_, 8, static_cast<uint32_t>(text_.size()),
                            text_.data());
        answered = true;
      }
      xcb_selection_notify_event_t notify{};
      notify.response_type = XCB_SELECTION_NOTIFY;
      notify.time = request->time;
      notify.requestor = request->requestor;
      notify.selection = request->selection;
      notify.target = request->target;
      notify.property = answered ? property : static_cast<uint32_t>(XCB_ATOM_NONE);
      xcb_send_event(connection_, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
      xcb_flush(connection_);
    }
    std::free(event);
  }
}

}  // namespace util::system
