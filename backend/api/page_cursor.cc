#include "api/page_cursor.h"

#include <charconv>

#include "common/crypto.h"

namespace qr_backend {

std::string EncodeCursor(const ListCursor& cursor) {
  return Base64Encode(std::to_string(cursor.key) + ":" + cursor.uni_record_id);
}

std::optional<ListCursor> DecodeCursor(const std::string& text) {
  const auto plain = Base64Decode(text);
  if (!plain) return std::nullopt;
  const size_t colon = plain->find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == plain->size()) return std::nullopt;
  ListCursor cursor;
  auto [ptr, ec] = std::from_chars(plain->data(), plain->data() + colon, cursor.key);
  if (ec != std::errc() || ptr != plain->data() + colon) return std::nullopt;
  cursor.uni_record_id = plain->substr(colon + 1);
  return cursor;
}

}  // namespace qr_backend
