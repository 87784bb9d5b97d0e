#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Clock;
class Database;

struct User {
  std::string app_uid;
  std::string app_id;
  std::string nick_name;
  std::string avatar;
  std::string token;
  std::string secret;
  std::optional<int64_t> quota_bytes;  // nullopt: the configured default applies
};

// Whether the user's app uid or nick name contains `keyword`, ignoring ASCII case; an empty
// keyword matches everyone.
bool MatchesKeyword(const User& user, const std::string& keyword);

// Accounts: who a token belongs to and with which secret its requests are signed.
class UserStore {
 public:
  UserStore(Database& db, const Clock& clock) : db_(db), clock_(clock) {}

  std::optional<User> FindByToken(const std::string& token) const;
  std::optional<User> FindByUid(const std::string& app_uid) const;

  // Empty app_uid, token or secret are generated. Fails (nullopt, with a reason) when the
  // app_uid or the token is taken.
  std::optional<User> Create(User user, std::string* error);
  bool SetQuota(const std::string& app_uid, int64_t quota_bytes);
  // The users of one app (an organisation's contacts), by app uid.
  std::vector<User> OfApp(const std::string& app_id) const;

 private:
  std::optional<User> FindOne(const char* sql, const std::string& value) const;

  Database& db_;
  const Clock& clock_;
};

}  // namespace qr_backend
