#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qr_backend {

// The request signature of docs/signed-requests.md, shared by the verifier and by clients
// written in this repository (tests, benchmarks).

// Every query parameter, percent-decoded, re-encoded as enc(name)=enc(value), sorted by the
// encoded name and then the encoded value, joined with '&'. nullopt for a malformed escape.
std::optional<std::string> CanonicalQuery(std::string_view raw_query);

std::string CanonicalText(std::string_view method, std::string_view path,
                          std::string_view canonical_query, std::string_view body,
                          std::string_view timestamp, std::string_view nonce);

// Lower-case hex HMAC-SHA256 of the canonical text under the account's signing secret.
std::string SignCanonicalText(std::string_view secret, std::string_view canonical_text);

}  // namespace qr_backend
