#include "host/util/system.h"

#include <memory>
#include <mutex>

#include "host/base/logging/logger.h"
#include "host/util/x11_clipboard_owner.h"

namespace util::system {
namespace {

struct Pasteboard {
  std::mutex mutex;
  std::string last;
  std::unique_ptr<X11ClipboardOwner> x11;
};

Pasteboard& GetPasteboard() {
  // Never destroyed: the X11 owner's thread may be answering a paste at process exit.
  static auto* pasteboard = new Pasteboard;
  return *pasteboard;
}

}  // namespace

bool CopyStringToPasteboard(const std::string& text) {
  Pasteboard& pasteboard = GetPasteboard();
  std::lock_guard lock(pasteboard.mutex);
  pasteboard.last = text;
  // Connect on first use with a display, so a display that appears later is still used.
  if (!pasteboard.x11) pasteboard.x11 = X11ClipboardOwner::Connect();
  const bool on_clipboard = pasteboard.x11 && pasteboard.x11->SetText(text);
  KLOG(6) << "copied " << text.size() << " bytes" << (on_clipboard ? " to the X11 clipboard" : " (no X11 clipboard)");
  return on_clipboard;
}

std::string GetLastCopiedString() {
  Pasteboard& pasteboard = GetPasteboard();
  std::lock_guard lock(pasteboard.mutex);
  return pasteboard.last;
}

}  // namespace util::system
