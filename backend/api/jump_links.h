#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace qr_backend {

class Clock;
class Database;

struct JumpLinkSet {
  std::string path;        // "/play/<uni>?viewer=..&expires=..&ticket=.."
  std::string short_path;  // "s/<code>", relative: clients prepend "/"
  std::string url;         // the API base URL + path
  std::string short_url;   // the API base URL + "/" + short_path
};

// Links to the player page. A browser cannot sign requests, so a link carries a ticket: an HMAC
// under the server key naming the record, the viewer and an expiry. The short link maps a code
// to (record, viewer) and redirects to a freshly ticketed link.
class JumpLinks {
 public:
  JumpLinks(Database& db, const Clock& clock, std::string server_key, std::string api_base_url,
            int64_t ticket_ttl_seconds);

  std::optional<JumpLinkSet> For(const std::string& uni_record_id, const std::string& viewer_uid);
  std::string TicketedPath(const std::string& uni_record_id, const std::string& viewer_uid) const;
  // The viewer named by a valid, unexpired ticket for the record.
  std::optional<std::string> ViewerOf(const std::string& uni_record_id, const std::string& viewer,
                                      const std::string& expires, const std::string& ticket) const;
  // (uni_record_id, viewer) of a short code.
  std::optional<std::pair<std::string, std::string>> ResolveShort(const std::string& code) const;
  bool ForgetRecord(const std::string& uni_record_id);

 private:
  std::string Ticket(const std::string& uni_record_id, const std::string& viewer,
                     const std::string& expires) const;

  Database& db_;
  const Clock& clock_;
  std::string server_key_;
  std::string api_base_url_;
  int64_t ticket_ttl_seconds_;
};

}  // namespace qr_backend
