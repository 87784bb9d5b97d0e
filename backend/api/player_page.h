#pragma once

#include <optional>
#include <string>

#include "common/httplib_fwd.h"

namespace qr_backend {

struct ApiContext;
struct Record;

// "/play/<uni_record_id>?viewer=..&expires=..&ticket=..": an HTML page whose <video> plays the
// record's MP4 straight from the object store through a short-lived GET authorisation.
// "/s/<code>" redirects a short link to a freshly ticketed page address.
class PlayerPage {
 public:
  explicit PlayerPage(ApiContext& context) : context_(context) {}
  void Register(httplib::Server& server);

  void Play(const httplib::Request& request, httplib::Response& response);
  void FollowShortLink(const httplib::Request& request, httplib::Response& response);

 private:
  // A signed GET address of the object, or nullopt when it does not exist.
  std::optional<std::string> SignedObjectUrl(const Record& record, const std::string& key);

  ApiContext& context_;
};

}  // namespace qr_backend
