#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qr_backend {

using QueryPairs = std::vector<std::pair<std::string, std::string>>;

// RFC 3986: unreserved characters stay, every other byte becomes %XX with upper-case hex.
std::string PercentEncode(std::string_view text);
// Decodes %XX (either case); '+' stays '+'. A malformed escape gives nullopt.
std::optional<std::string> PercentDecode(std::string_view text);
// Splits "a=1&b=2" into decoded pairs in their order; a piece without '=' has an empty value.
std::optional<QueryPairs> ParseQuery(std::string_view raw_query);
// Joins pairs as enc(name)=enc(value) with '&'.
std::string BuildQuery(const QueryPairs& pairs);

}  // namespace qr_backend
