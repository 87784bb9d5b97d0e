// CopyStringToPasteboard with a real X server (Xvfb): another X client pastes what the host
// copied, the way a browser or an editor would.

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/util/scoped_env.h"
#include "host/util/system.h"
#include "xvfb_display.h"

namespace {

// A minimal X client that asks the CLIPBOARD owner for its text.
class Paster {
 public:
  explicit Paster(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    clipboard_ = Atom("CLIPBOARD");
    property_ = Atom("QR_PASTE");
  }
  ~Paster() { xcb_disconnect(connection_); }

  uint32_t Atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
    const uint32_t atom = reply->atom;
    std::free(reply);
    return atom;
  }

  // The selection converted to `target`; empty with *ok false when the owner refused or is gone.
  std::string Paste(uint32_t target, bool* ok, uint32_t* type = nullptr) {
    *ok = false;
    xcb_convert_selection(connection_, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      xcb_generic_event_t* event = xcb_poll_for_event(connection_);
      if (!event) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
      const uint32_t property = notify ? reinterpret_cast<xcb_selection_notify_event_t*>(event)->property : 0;
      std::free(event);
      if (!notify) continue;
      if (property == XCB_ATOM_NONE) return {};
      auto* reply = xcb_get_property_reply(
          connection_, xcb_get_property(connection_, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20), nullptr);
      if (!reply) return {};
      // The value length is in bytes already, whatever the item format.
      std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                        static_cast<size_t>(xcb_get_property_value_length(reply)));
      if (type) *type = reply->type;
      std::free(reply);
      *ok = true;
      return value;
    }
    return {};
  }

  // Takes the clipboard and waits until the server has made it so (a round trip), so nothing the
  // host does afterwards can be handled before it.
  bool TakeClipboard() {
    xcb_set_selection_owner(connection_, window_, clipboard_, XCB_CURRENT_TIME);
    auto* owner = xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr);
    const bool ours = owner && owner->owner == window_;
    std::free(owner);
    return ours;
  }

 private:
  xcb_connection_t* connection_;
  uint32_t window_ = 0;
  uint32_t clipboard_ = 0;
  uint32_t property_ = 0;
};

TEST(ClipboardTest, AnotherClientPastesWhatTheHostCopied) {
  quickrec::testing::XvfbDisplay xvfb;
  ASSERT_TRUE(xvfb.Start(640, 480)) << xvfb.error();
  util::ScopedEnv display("DISPLAY", xvfb.name().c_str());

  const std::string link = "https://web.example.test/play/录屏-1?pwd=ab";
  ASSERT_TRUE(util::system::CopyStringToPasteboard(link));
  Paster paster(xvfb.name());
  bool ok = false;
  uint32_t type = 0;
  EXPECT_EQ(paster.Paste(paster.Atom("UTF8_STRING"), &ok, &type), link);
  EXPECT_TRUE(ok);
  EXPECT_EQ(type, paster.Atom("UTF8_STRING"));
  const std::string targets = paster.Paste(paster.Atom("TARGETS"), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(targets.size(), 4 * sizeof(uint32_t));
  paster.Paste(paster.Atom("image/png"), &ok);
  EXPECT_FALSE(ok);  // not offered

  // Copying again replaces the text.
  ASSERT_TRUE(util::system::CopyStringToPasteboard("second"));
  EXPECT_EQ(paster.Paste(paster.Atom("UTF8_STRING"), &ok), "second");

  // Another program takes the clipboard; the next copy takes it back.
  ASSERT_TRUE(paster.TakeClipboard());
  ASSERT_TRUE(util::system::CopyStringToPasteboard("third"));
  EXPECT_EQ(paster.Paste(paster.Atom("UTF8_STRING"), &ok), "third");
  EXPECT_EQ(util::system::GetLastCopiedString(), "third");
}

}  // namespace
