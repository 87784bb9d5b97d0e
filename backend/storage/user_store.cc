#include "storage/user_store.h"

#include <cctype>

#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"

namespace qr_backend {

namespace {

constexpr char kColumns[] = "app_uid, app_id, nick_name, avatar, token, secret, quota_bytes";

}  // namespace

namespace {

User FromRow(const SqlRow& row) {
  User user{row.Text(0), row.Text(1), row.Text(2), row.Text(3), row.Text(4), row.Text(5), {}};
  if (!row.IsNull(6)) user.quota_bytes = row.Int(6);
  return user;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<User> UserStore::FindOne(const char* sql, const std::string& value) const {
  auto rows = db_.Query(sql, {value});
  if (!rows || rows->empty()) return std::nullopt;
  return FromRow(rows->front());
}

bool MatchesKeyword(const User& user, const std::string& keyword) {
  const std::string word = Lower(keyword);
  return Lower(user.app_uid).find(word) != std::string::npos ||
         Lower(user.nick_name).find(word) != std::string::npos;
}

std::vector<User> UserStore::OfApp(const std::string& app_id) const {
  static const std::string sql =
      std::string("SELECT ") + kColumns + " FROM users WHERE app_id = ? ORDER BY app_uid";
  std::vector<User> users;
  auto rows = db_.Query(sql, {app_id});
  if (rows) {
    for (const SqlRow& row : *rows) users.push_back(FromRow(row));
  }
  return users;
}

std::optional<User> UserStore::FindByToken(const std::string& token) const {
  static const std::string sql = std::string("SELECT ") + kColumns + " FROM users WHERE token = ?";
  return FindOne(sql.c_str(), token);
}

std::optional<User> UserStore::FindByUid(const std::string& app_uid) const {
  static const std::string sql =
      std::string("SELECT ") + kColumns + " FROM users WHERE app_uid = ?";
  return FindOne(sql.c_str(), app_uid);
}

std::optional<User> UserStore::Create(User user, std::string* error) {
  if (user.app_uid.empty()) user.app_uid = "u" + RandomHex(8);
  if (user.token.empty()) user.token = RandomHex(16);
  if (user.secret.empty()) user.secret = RandomHex(32);
  const bool ok = db_.Transaction([&] {
    if (FindByUid(user.app_uid)) {
      *error = "app_uid " + user.app_uid + " exists";
      return false;
    }
    if (FindByToken(user.token)) {
      *error = "the token is taken";
      return false;
    }
    SqlValue quota = std::monostate{};
    if (user.quota_bytes) quota = *user.quota_bytes;
    if (!db_.Exec("INSERT INTO users(app_uid, app_id, nick_name, avatar, token, secret, "
                  "quota_bytes, created_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
                  {user.app_uid, user.app_id, user.nick_name, user.avatar, user.token, user.secret,
                   quota, clock_.NowSeconds()})) {
      *error = "cannot store the user";
      return false;
    }
    return true;
  });
  if (!ok) {
    if (error->empty()) *error = "cannot store the user";
    return std::nullopt;
  }
  return user;
}

bool UserStore::SetQuota(const std::string& app_uid, int64_t quota_bytes) {
  auto result =
      db_.Exec("UPDATE users SET quota_bytes = ? WHERE app_uid = ?", {quota_bytes, app_uid});
  return result.ok && result.changes == 1;
}

}  // namespace qr_backend
