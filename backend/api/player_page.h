#pragma once

#include <optional>
#include <string>

#include "common/httplib_fwd.h"

namespace qr_backend {

struct Access;
struct ApiContext;
struct Record;

// "/play/<uni_record_id>?viewer=..&expires=..&ticket=..": an HTML page whose <video> plays the
// record's MP4 straight from the object store through a short-lived GET authorisation, for
// viewers the access policy admits. "/share/<share_id>[?pwd=..]" is the same page for whoever
// holds a share link. "/s/<code>" redirects a short link to a freshly ticketed page address.
class PlayerPage {
 public:
  explicit PlayerPage(ApiContext& context) : context_(context) {}
  void Register(httplib::Server& server);

  void Play(const httplib::Request& request, httplib::Response& response);
  void OpenShare(const httplib::Request& request, httplib::Response& response);
  void FollowShortLink(const httplib::Request& request, httplib::Response& response);

 private:
  void Show(httplib::Response& response, const Record& record, const Access& access);

  ApiContext& context_;
};

}  // namespace qr_backend
