#pragma once

#include <string>
#include <string_view>

namespace qr_backend {

// Escapes text for XML and HTML character data and quoted attribute values.
std::string XmlEscape(std::string_view text);

}  // namespace qr_backend
