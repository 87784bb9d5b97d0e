#include "api/player_page.h"

#include <httplib.h>

#include "api/api_context.h"
#include "api/jump_links.h"
#include "common/url_codec.h"
#include "common/xml_escape.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "storage/record_store.h"

namespace qr_backend {

namespace {

void WritePage(httplib::Response& response, int status, const std::string& title,
               const std::string& body) {
  response.status = status;
  response.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                           XmlEscape(title) +
                           "</title><style>body{font-family:sans-serif;margin:2em;}"
                           "video{max-width:100%;}</style></head><body><h1>" +
                           XmlEscape(title) + "</h1>" + body + "</body></html>\n",
                       "text/html; charset=utf-8");
}

}  // namespace

void PlayerPage::Register(httplib::Server& server) {
  server.Get(R"(/play/([^/]+))", [this](const httplib::Request& request,
                                        httplib::Response& response) { Play(request, response); });
  server.Get(R"(/s/([0-9a-f]+))",
             [this](const httplib::Request& request, httplib::Response& response) {
               FollowShortLink(request, response);
             });
}

std::optional<std::string> PlayerPage::SignedObjectUrl(const Record& record,
                                                       const std::string& key) {
  const ApiSettings& settings = context_.settings;
  if (!context_.objects.Head(settings.bucket, key)) return std::nullopt;
  const auto grant = context_.authority.Issue(settings.bucket, key, record.owner_uid,
                                              settings.play_auth_ttl_seconds, {"get"});
  if (!grant) return std::nullopt;
  return context_.ObjectUrl(key) + "?" +
         BuildQuery({{"auth", grant->auth.at("get")}, {"session_token", grant->session_token}});
}

void PlayerPage::Play(const httplib::Request& request, httplib::Response& response) {
  const std::string uni_record_id = request.matches[1];
  const auto viewer = context_.links.ViewerOf(
      uni_record_id, request.get_param_value("viewer"), request.get_param_value("expires"),
      request.get_param_value("ticket"));
  if (!viewer) {
    WritePage(response, 403, "Link not valid",
              "<p>This link is not valid or has expired. Open the recording from the "
              "client again.</p>");
    return;
  }
  const auto record = context_.records.FindByUni(uni_record_id);
  if (!record) {
    WritePage(response, 404, "Recording not found", "<p>This recording does not exist.</p>");
    return;
  }
  if (record->owner_uid != *viewer) {
    WritePage(response, 403, record->title, "<p>You have no access to this recording.</p>");
    return;
  }
  if (record->state != kRecordStateDone) {
    WritePage(response, 200, record->title,
              "<p>This recording is still being uploaded. Reload the page later.</p>");
    return;
  }
  const auto video = SignedObjectUrl(*record, record->video_key);
  if (!video) {
    WritePage(response, 404, record->title, "<p>The video file is missing.</p>");
    return;
  }
  const auto poster = SignedObjectUrl(*record, record->cover_key);
  std::string body = "<video controls preload=\"metadata\" src=\"" + XmlEscape(*video) + "\"";
  if (poster) body += " poster=\"" + XmlEscape(*poster) + "\"";
  body += "></video>";
  WritePage(response, 200, record->title, body);
}

void PlayerPage::FollowShortLink(const httplib::Request& request, httplib::Response& response) {
  const auto target = context_.links.ResolveShort(request.matches[1]);
  if (!target) {
    WritePage(response, 404, "Link not found", "<p>This link does not exist.</p>");
    return;
  }
  response.set_redirect(context_.links.TicketedPath(target->first, target->second), 302);
}

}  // namespace qr_backend
