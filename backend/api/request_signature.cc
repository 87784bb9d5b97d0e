#include "api/request_signature.h"

#include <algorithm>

#include "common/crypto.h"
#include "common/url_codec.h"

namespace qr_backend {

std::optional<std::string> CanonicalQuery(std::string_view raw_query) {
  auto pairs = ParseQuery(raw_query);
  if (!pairs) return std::nullopt;
  const auto encoded = [](const auto& pair) {
    return std::pair(PercentEncode(pair.first), PercentEncode(pair.second));
  };
  std::sort(pairs->begin(), pairs->end(),
            [&](const auto& a, const auto& b) { return encoded(a) < encoded(b); });
  return BuildQuery(*pairs);
}

std::string CanonicalText(std::string_view method, std::string_view path,
                          std::string_view canonical_query, std::string_view body,
                          std::string_view timestamp, std::string_view nonce) {
  std::string text;
  text.reserve(method.size() + path.size() + canonical_query.size() + 64 + timestamp.size() +
               nonce.size() + 5);
  text.append(method).append("\n");
  text.append(path).append("\n");
  text.append(canonical_query).append("\n");
  text.append(Sha256Hex(body)).append("\n");
  text.append(timestamp).append("\n");
  text.append(nonce);
  return text;
}

std::string SignCanonicalText(std::string_view secret, std::string_view canonical_text) {
  return HmacSha256Hex(secret, canonical_text);
}

}  // namespace qr_backend
