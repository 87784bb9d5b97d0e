#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace KOVANI_CGI {

using QueryParams = std::vector<std::pair<std::string, std::string>>;

// The request signature of docs/signed-requests.md:
//   canonical = METHOD \n PATH \n SORTED_QUERY \n hex(SHA-256(body)) \n timestamp \n nonce
//   signature = hex(HMAC-SHA256(secret, canonical))
class RequestSigner {
 public:
  // Every parameter as enc(name)=enc(value) (RFC 3986), sorted by the encoded name, then the
  // encoded value, comparing bytes, joined with '&'. Also the query string that is sent.
  static std::string CanonicalQuery(const QueryParams& params);
  // `params` sorted into the order CanonicalQuery lists them.
  static QueryParams SortedParams(QueryParams params);
  static std::string CanonicalText(std::string_view method, std::string_view path,
                                   std::string_view canonical_query, std::string_view body,
                                   std::string_view timestamp, std::string_view nonce);
  static std::string Sign(std::string_view secret, std::string_view canonical_text);
};

}  // namespace KOVANI_CGI
