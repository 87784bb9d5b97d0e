#include "host/sdk/cgi/request_signer.h"

#include <algorithm>

#include "host/util/crypto.h"

namespace KOVANI_CGI {

QueryParams RequestSigner::SortedParams(QueryParams params) {
  using util::crypto::RawUrlEncode;
  std::stable_sort(params.begin(), params.end(), [](const auto& a, const auto& b) {
    const std::string a_name = RawUrlEncode(a.first);
    const std::string b_name = RawUrlEncode(b.first);
    if (a_name != b_name) return a_name < b_name;
    return RawUrlEncode(a.second) < RawUrlEncode(b.second);
  });
  return params;
}

std::string RequestSigner::CanonicalQuery(const QueryParams& params) {
  std::string query;
  for (const auto& [name, value] : SortedParams(params)) {
    if (!query.empty()) query.push_back('&');
    query += util::crypto::RawUrlEncode(name);
    query.push_back('=');
    query += util::crypto::RawUrlEncode(value);
  }
  return query;
}

std::string RequestSigner::CanonicalText(std::string_view method, std::string_view path,
                                         std::string_view canonical_query, std::string_view body,
                                         std::string_view timestamp, std::string_view nonce) {
  std::string text;
  text.append(method).append("\n");
  text.append(path).append("\n");
  text.append(canonical_query).append("\n");
  text.append(util::crypto::Sha256Hex(body)).append("\n");
  text.append(timestamp).append("\n");
  text.append(nonce);
  return text;
}

std::string RequestSigner::Sign(std::string_view secret, std::string_view canonical_text) {
  return util::crypto::HmacSha256Hex(secret, canonical_text);
}

}  // namespace KOVANI_CGI
