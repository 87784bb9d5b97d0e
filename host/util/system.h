#pragma once

#include <string>

// The desktop around the host.
namespace util::system {

// Puts text on the clipboard. With an X display ($DISPLAY) the host owns the X11 CLIPBOARD
// selection and hands the text to whoever pastes (UTF8_STRING, STRING, TEXT), until another
// program takes the clipboard. The text is also always kept (GetLastCopiedString), so a host
// without a desktop and the tests can see what was copied. True when the X11 clipboard holds it.
bool CopyStringToPasteboard(const std::string& text);
std::string GetLastCopiedString();

}  // namespace util::system
