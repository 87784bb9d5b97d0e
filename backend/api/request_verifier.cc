#include "api/request_verifier.h"

#include <algorithm>
#include <charconv>

#include "api/biz_code.h"
#include "api/request_signature.h"
#include "common/clock.h"
#include "common/crypto.h"
#include "storage/nonce_store.h"

namespace qr_backend {

namespace {

// The value of a parameter that occurs exactly once; nullopt when absent or repeated.
std::optional<std::string> Single(const QueryPairs& query, const std::string& name) {
  std::optional<std::string> found;
  for (const auto& [key, value] : query) {
    if (key != name) continue;
    if (found) return std::nullopt;
    found = value;
  }
  return found;
}

bool IsNonce(const std::string& text) {
  return text.size() == 16 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

std::optional<int64_t> ParseTimestamp(const std::string& text) {
  if (text.empty() || text.size() > 18 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

Verification Refuse(int code, std::string msg, std::string nonce = {}) {
  Verification v;
  v.code = code;
  v.msg = std::move(msg);
  v.nonce = std::move(nonce);
  return v;
}

}  // namespace

Verification RequestVerifier::Verify(const IncomingRequest& request) const {
  auto query = ParseQuery(request.raw_query);
  std::string echoed_nonce;
  if (query) echoed_nonce = Single(*query, "nonce").value_or("");

  auto user = request.token.empty() ? std::nullopt : users_.FindByToken(request.token);
  if (!user) return Refuse(kBizUnknownToken, "unknown or missing X-QR-Token", echoed_nonce);

  if (!query) return Refuse(kBizMissingTimestampOrNonce, "malformed query string");
  const auto timestamp_text = Single(*query, "timestamp");
  const auto nonce = Single(*query, "nonce");
  const auto timestamp = timestamp_text ? ParseTimestamp(*timestamp_text) : std::nullopt;
  if (!timestamp || !nonce || !IsNonce(*nonce)) {
    return Refuse(kBizMissingTimestampOrNonce,
                  "timestamp (decimal seconds) and nonce (16 lower-case hex characters) must "
                  "each be given once",
                  echoed_nonce);
  }

  const int64_t now = clock_.NowSeconds();
  if (*timestamp > now + kTimestampWindowSeconds || *timestamp < now - kTimestampWindowSeconds) {
    return Refuse(kBizStaleTimestamp,
                  "timestamp " + *timestamp_text + " is more than 300 s from the server time " +
                      std::to_string(now),
                  *nonce);
  }

  const auto canonical_query = CanonicalQuery(request.raw_query);
  const std::string expected = SignCanonicalText(
      user->secret, CanonicalText(request.method, request.path, canonical_query.value_or(""),
                                  request.body, *timestamp_text, *nonce));
  if (!ConstantTimeEquals(request.signature, expected)) {
    return Refuse(kBizBadSignature, "X-QR-Signature does not match the request", *nonce);
  }

  switch (nonces_.Remember(user->app_uid, *nonce, now)) {
    case NonceStore::Outcome::kReplayed:
      return Refuse(kBizReplayedNonce, "nonce " + *nonce + " was already used", *nonce);
    case NonceStore::Outcome::kStorageError:
      return Refuse(kBizInternal, "cannot record the nonce", *nonce);
    case NonceStore::Outcome::kFresh:
      break;
  }
  Verification accepted;
  accepted.nonce = *nonce;
  accepted.user = std::move(user);
  accepted.query = std::move(*query);
  return accepted;
}

}  // namespace qr_backend
