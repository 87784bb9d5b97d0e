#include "api/jump_links.h"

#include <charconv>

#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/url_codec.h"

namespace qr_backend {

JumpLinks::JumpLinks(Database& db, const Clock& clock, std::string server_key,
                     std::string api_base_url, int64_t ticket_ttl_seconds)
    : db_(db),
      clock_(clock),
      server_key_(std::move(server_key)),
      api_base_url_(std::move(api_base_url)),
      ticket_ttl_seconds_(ticket_ttl_seconds) {}

std::string JumpLinks::Ticket(const std::string& uni_record_id, const std::string& viewer,
                              const std::string& expires) const {
  return HmacSha256Hex(server_key_, "qr-play\n" + uni_record_id + "\n" + viewer + "\n" + expires);
}

std::string JumpLinks::TicketedPath(const std::string& uni_record_id,
                                    const std::string& viewer_uid) const {
  const std::string expires = std::to_string(clock_.NowSeconds() + ticket_ttl_seconds_);
  return "/play/" + PercentEncode(uni_record_id) + "?" +
         BuildQuery({{"viewer", viewer_uid},
                     {"expires", expires},
                     {"ticket", Ticket(uni_record_id, viewer_uid, expires)}});
}

std::optional<JumpLinkSet> JumpLinks::For(const std::string& uni_record_id,
                                          const std::string& viewer_uid) {
  std::optional<std::string> code;
  db_.Transaction([&] {
    const SqlParams key = {uni_record_id, viewer_uid};
    auto rows =
        db_.Query("SELECT code FROM short_links WHERE uni_record_id = ? AND app_uid = ?", key);
    if (!rows) return false;
    if (!rows->empty()) {
      code = rows->front().Text(0);
      return true;
    }
    const std::string fresh = RandomHex(6);
    if (!db_.Exec("INSERT INTO short_links(code, uni_record_id, app_uid) VALUES(?, ?, ?)",
                  {fresh, uni_record_id, viewer_uid})) {
      return false;
    }
    code = fresh;
    return true;
  });
  if (!code) return std::nullopt;
  JumpLinkSet links;
  links.path = TicketedPath(uni_record_id, viewer_uid);
  links.short_path = "s/" + *code;
  links.url = api_base_url_ + links.path;
  links.short_url = api_base_url_ + "/" + links.short_path;
  return links;
}

std::optional<std::string> JumpLinks::ViewerOf(const std::string& uni_record_id,
                                               const std::string& viewer,
                                               const std::string& expires,
                                               const std::string& ticket) const {
  int64_t expires_at = 0;
  auto [ptr, ec] = std::from_chars(expires.data(), expires.data() + expires.size(), expires_at);
  if (viewer.empty() || ec != std::errc() || ptr != expires.data() + expires.size() ||
      expires_at <= clock_.NowSeconds() ||
      !ConstantTimeEquals(ticket, Ticket(uni_record_id, viewer, expires))) {
    return std::nullopt;
  }
  return viewer;
}

std::optional<std::pair<std::string, std::string>> JumpLinks::ResolveShort(
    const std::string& code) const {
  auto rows = db_.Query("SELECT uni_record_id, app_uid FROM short_links WHERE code = ?", {code});
  if (!rows || rows->empty()) return std::nullopt;
  return std::pair(rows->front().Text(0), rows->front().Text(1));
}

bool JumpLinks::ForgetRecord(const std::string& uni_record_id) {
  return db_.Exec("DELETE FROM short_links WHERE uni_record_id = ?", {uni_record_id}).ok;
}

}  // namespace qr_backend
