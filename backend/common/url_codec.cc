#include "common/url_codec.h"

namespace qr_backend {

namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentEncode(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (IsUnreserved(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kDigits[c >> 4]);
      out.push_back(kDigits[c & 0x0f]);
    }
  }
  return out;
}

std::optional<std::string> PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

std::optional<QueryPairs> ParseQuery(std::string_view raw_query) {
  QueryPairs pairs;
  size_t start = 0;
  while (start <= raw_query.size()) {
    size_t end = raw_query.find('&', start);
    if (end == std::string_view::npos) end = raw_query.size();
    std::string_view piece = raw_query.substr(start, end - start);
    if (!piece.empty()) {
      const size_t eq = piece.find('=');
      auto name = PercentDecode(piece.substr(0, eq));
      auto value =
          PercentDecode(eq == std::string_view::npos ? std::string_view{} : piece.substr(eq + 1));
      if (!name || !value) return std::nullopt;
      pairs.emplace_back(std::move(*name), std::move(*value));
    }
    start = end + 1;
  }
  return pairs;
}

std::string BuildQuery(const QueryPairs& pairs) {
  std::string out;
  for (const auto& [name, value] : pairs) {
    if (!out.empty()) out.push_back('&');
    out += PercentEncode(name);
    out.push_back('=');
    out += PercentEncode(value);
  }
  return out;
}

}  // namespace qr_backend
