#include "api/page_cursor.h"

#include <charconv>
#include <vector>

#include "common/crypto.h"

namespace qr_backend {

namespace {

bool ParseNumber(const std::string& text, int64_t& value) {
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

// "key:uni_record_id", or "key:uni_record_id:snapshot:position" for a page of a snapshot.
std::string EncodeCursor(const ListCursor& cursor) {
  std::string plain = std::to_string(cursor.key) + ":" + cursor.uni_record_id;
  if (cursor.snapshot_id != 0) {
    plain += ":" + std::to_string(cursor.snapshot_id) + ":" + std::to_string(cursor.position);
  }
  return Base64Encode(plain);
}

std::optional<ListCursor> DecodeCursor(const std::string& text) {
  const auto plain = Base64Decode(text);
  if (!plain) return std::nullopt;
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t colon; (colon = plain->find(':', start)) != std::string::npos; start = colon + 1) {
    fields.push_back(plain->substr(start, colon - start));
  }
  fields.push_back(plain->substr(start));
  if (fields.size() != 2 && fields.size() != 4) return std::nullopt;
  ListCursor cursor;
  cursor.uni_record_id = fields[1];
  if (!ParseNumber(fields[0], cursor.key) || cursor.uni_record_id.empty()) return std::nullopt;
  if (fields.size() == 4 &&
      (!ParseNumber(fields[2], cursor.snapshot_id) || !ParseNumber(fields[3], cursor.position) ||
       cursor.snapshot_id <= 0 || cursor.position <= 0)) {
    return std::nullopt;
  }
  return cursor;
}

}  // namespace qr_backend
