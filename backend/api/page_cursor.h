#pragma once

#include <optional>
#include <string>

#include "storage/record_listing.h"

namespace qr_backend {

// The opaque "index" of a list page: where the page ended. Clients hand it back unchanged.
std::string EncodeCursor(const ListCursor& cursor);
// nullopt for a text this server did not produce.
std::optional<ListCursor> DecodeCursor(const std::string& text);

}  // namespace qr_backend
