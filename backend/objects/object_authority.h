#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Clock;
class Database;

// What the back end hands a client for one object: a session token and, per HTTP verb
// ("get", "put", "post", "head"), an authorisation text bound to the verb, the bucket, the key,
// an expiry and the session token.
struct ObjectGrant {
  std::string session_token;
  std::map<std::string, std::string> auth;
  int64_t expires_at = 0;
};

enum class AuthCheck {
  kOk,
  kMissing,    // no authorisation or no session token
  kMalformed,  // not an authorisation text of ours
  kWrongVerb,  // issued for another verb
  kExpired,
  kUnknownSession,  // never issued for this object, or revoked
  kBadSignature,
};

struct AuthOutcome {
  AuthCheck check = AuthCheck::kMissing;
  std::string owner_uid;  // whom the grant was issued to, when kOk
};

// Issues and checks object-store authorisations. Grants are rows (so deleting a record revokes
// them); the authorisation texts are HMACs under the server key (so they cannot be forged or
// moved to another verb, object or session).
class ObjectAuthority {
 public:
  ObjectAuthority(Database& db, const Clock& clock, std::string server_key);

  std::optional<ObjectGrant> Issue(const std::string& bucket, const std::string& key,
                                   const std::string& owner_uid, int64_t ttl_seconds,
                                   const std::vector<std::string>& verbs);
  // A read-only grant for pages and lists, with the text of `verb`: "get" (the whole object)
  // or "play" (byte ranges only, for a player). One that still has at least half of
  // `ttl_seconds` to run is handed out again rather than stored anew for every page view; the
  // texts are bound to their verb, so a "play" text never turns into a "get".
  std::optional<ObjectGrant> IssueRead(const std::string& bucket, const std::string& key,
                                       const std::string& owner_uid, int64_t ttl_seconds,
                                       const std::string& verb = "get");
  AuthOutcome Check(const std::string& verb, const std::string& bucket, const std::string& key,
                    const std::string& auth_text, const std::string& session_token) const;
  bool Revoke(const std::string& bucket, const std::string& key);

  static const char* Describe(AuthCheck check);

 private:
  std::optional<ObjectGrant> Store(const std::string& bucket, const std::string& key,
                                   const std::string& owner_uid, int64_t ttl_seconds,
                                   const std::vector<std::string>& verbs, bool read_only);
  ObjectGrant Texts(const std::string& bucket, const std::string& key, std::string session_token,
                    int64_t expires_at, const std::vector<std::string>& verbs) const;
  std::string Sign(const std::string& verb, const std::string& bucket, const std::string& key,
                   int64_t expires_at, const std::string& session_token) const;

  Database& db_;
  const Clock& clock_;
  std::string server_key_;
  std::atomic<int64_t> last_prune_{0};
};

}  // namespace qr_backend
