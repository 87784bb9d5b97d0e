#pragma once

#include <string>
#include <vector>

namespace kovani {

// Opens an http(s) address in the user's browser (xdg-open) when a desktop session exists
// ($DISPLAY or $WAYLAND_DISPLAY) and xdg-open is on the PATH. Every accepted address is also
// kept (GetOpenedWebPages), with or without a desktop. Other schemes (file:, javascript:, ...)
// are refused and not kept. True when a browser was asked to open it.
bool OpenWebPage(const std::string& url);
std::vector<std::string> GetOpenedWebPages();

}  // namespace kovani
