#include "objects/object_authority.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"

namespace qr_backend {

namespace {

constexpr std::string_view kScheme = "QR-HMAC-SHA256 ";

struct ParsedAuth {
  std::string verb;
  int64_t expires_at = 0;
  std::string signature;
};

// "QR-HMAC-SHA256 verb=<verb>;expires=<unix seconds>;signature=<hex>"
std::optional<ParsedAuth> Parse(std::string_view text) {
  if (text.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  text.remove_prefix(kScheme.size());
  ParsedAuth parsed;
  bool has_expiry = false;
  while (!text.empty()) {
    const size_t end = std::min(text.find(';'), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(end == text.size() ? end : end + 1);
    const size_t eq = field.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string_view name = field.substr(0, eq);
    const std::string_view value = field.substr(eq + 1);
    if (name == "verb") {
      parsed.verb = value;
    } else if (name == "expires") {
      auto [ptr, ec] =
          std::from_chars(value.data(), value.data() + value.size(), parsed.expires_at);
      if (ec != std::errc() || ptr != value.data() + value.size()) return std::nullopt;
      has_expiry = true;
    } else if (name == "signature") {
      parsed.signature = value;
    } else {
      return std::nullopt;
    }
  }
  if (parsed.verb.empty() || !has_expiry || parsed.signature.empty()) return std::nullopt;
  return parsed;
}

}  // namespace

ObjectAuthority::ObjectAuthority(Database& db, const Clock& clock, std::string server_key)
    : db_(db), clock_(clock), server_key_(std::move(server_key)) {}

std::string ObjectAuthority::Sign(const std::string& verb, const std::string& bucket,
                                  const std::string& key, int64_t expires_at,
                                  const std::string& session_token) const {
  return HmacSha256Hex(server_key_, "qr-object\n" + verb + "\n" + bucket + "\n" + key + "\n" +
                                        std::to_string(expires_at) + "\n" + session_token);
}

ObjectGrant ObjectAuthority::Texts(const std::string& bucket, const std::string& key,
                                   std::string session_token, int64_t expires_at,
                                   const std::vector<std::string>& verbs) const {
  ObjectGrant grant;
  grant.session_token = std::move(session_token);
  grant.expires_at = expires_at;
  for (const std::string& verb : verbs) {
    grant.auth[verb] = std::string(kScheme) + "verb=" + verb +
                       ";expires=" + std::to_string(expires_at) +
                       ";signature=" + Sign(verb, bucket, key, expires_at, grant.session_token);
  }
  return grant;
}

std::optional<ObjectGrant> ObjectAuthority::Store(const std::string& bucket, const std::string& key,
                                                  const std::string& owner_uid, int64_t ttl_seconds,
                                                  const std::vector<std::string>& verbs,
                                                  bool read_only) {
  const int64_t now = clock_.NowSeconds();
  // Grants that expired a day ago can no longer explain a refusal; sweep them now and then.
  int64_t last = last_prune_.load();
  if (now - last >= 60 && last_prune_.compare_exchange_strong(last, now)) {
    db_.Exec("DELETE FROM grants WHERE expires_at < ?", {now - 86400});
  }
  const std::string session_token = RandomHex(20);
  const int64_t expires_at = now + ttl_seconds;
  if (!db_.Exec("INSERT INTO grants(session_token, bucket, object_key, owner_uid, expires_at, "
                "read_only) VALUES(?, ?, ?, ?, ?, ?)",
                {session_token, bucket, key, owner_uid, expires_at, int64_t{read_only}})) {
    return std::nullopt;
  }
  return Texts(bucket, key, session_token, expires_at, verbs);
}

std::optional<ObjectGrant> ObjectAuthority::Issue(const std::string& bucket, const std::string& key,
                                                  const std::string& owner_uid, int64_t ttl_seconds,
                                                  const std::vector<std::string>& verbs) {
  return Store(bucket, key, owner_uid, ttl_seconds, verbs, false);
}

std::optional<ObjectGrant> ObjectAuthority::IssueRead(const std::string& bucket,
                                                      const std::string& key,
                                                      const std::string& owner_uid,
                                                      int64_t ttl_seconds,
                                                      const std::string& verb) {
  auto rows = db_.Query(
      "SELECT session_token, expires_at FROM grants WHERE bucket = ? AND object_key = ? AND "
      "read_only = 1 AND expires_at >= ? ORDER BY expires_at DESC LIMIT 1",
      {bucket, key, clock_.NowSeconds() + ttl_seconds / 2});
  if (rows && !rows->empty()) {
    return Texts(bucket, key, rows->front().Text(0), rows->front().Int(1), {verb});
  }
  return Store(bucket, key, owner_uid, ttl_seconds, {verb}, true);
}

AuthOutcome ObjectAuthority::Check(const std::string& verb, const std::string& bucket,
                                   const std::string& key, const std::string& auth_text,
                                   const std::string& session_token) const {
  if (auth_text.empty() || session_token.empty()) return {AuthCheck::kMissing, {}};
  const auto parsed = Parse(auth_text);
  if (!parsed) return {AuthCheck::kMalformed, {}};
  if (parsed->verb != verb) return {AuthCheck::kWrongVerb, {}};
  if (parsed->expires_at <= clock_.NowSeconds()) return {AuthCheck::kExpired, {}};
  if (!ConstantTimeEquals(parsed->signature,
                          Sign(verb, bucket, key, parsed->expires_at, session_token))) {
    return {AuthCheck::kBadSignature, {}};
  }
  auto rows = db_.Query(
      "SELECT owner_uid FROM grants WHERE session_token = ? AND bucket = ? AND object_key = ?",
      {session_token, bucket, key});
  if (!rows || rows->empty()) return {AuthCheck::kUnknownSession, {}};
  return {AuthCheck::kOk, rows->front().Text(0)};
}

bool ObjectAuthority::Revoke(const std::string& bucket, const std::string& key) {
  return db_.Exec("DELETE FROM grants WHERE bucket = ? AND object_key = ?", {bucket, key}).ok;
}

const char* ObjectAuthority::Describe(AuthCheck check) {
  switch (check) {
    case AuthCheck::kOk:
      return "authorised";
    case AuthCheck::kMissing:
      return "authorisation or session token missing";
    case AuthCheck::kMalformed:
      return "malformed authorisation";
    case AuthCheck::kWrongVerb:
      return "authorisation issued for another verb";
    case AuthCheck::kExpired:
      return "authorisation expired";
    case AuthCheck::kUnknownSession:
      return "session token not issued for this object or revoked";
    case AuthCheck::kBadSignature:
      return "authorisation does not match the object or session token";
  }
  return "refused";
}

}  // namespace qr_backend
