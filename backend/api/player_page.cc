#include "api/player_page.h"

#include <httplib.h>

#include "api/access_policy.h"
#include "api/api_context.h"
#include "api/jump_links.h"
#include "common/clock.h"
#include "common/url_codec.h"
#include "common/xml_escape.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "storage/record_store.h"
#include "storage/share_store.h"
#include "storage/view_store.h"

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
  server.Get(R"(/share/([0-9a-f]+))",
             [this](const httplib::Request& request, httplib::Response& response) {
               OpenShare(request, response);
             });
  server.Get(R"(/s/([0-9a-f]+))",
             [this](const httplib::Request& request, httplib::Response& response) {
               FollowShortLink(request, response);
             });
}

void PlayerPage::Show(httplib::Response& response, const Record& record, const Access& access) {
  if (!access.may_view()) {
    WritePage(response, 403, record.title, "<p>" + XmlEscape(access.tips) + "</p>");
    return;
  }
  if (!access.may_play) {
    WritePage(response, 200, record.title,
              "<p>This recording is still being uploaded. Reload the page later.</p>");
    return;
  }
  // The player streams with a "play" authorisation; only a viewer who may download gets a
  // link that fetches the whole object.
  const std::string video = context_.SignedReadUrl(record.video_key, record.owner_uid, "play");
  if (video.empty()) {
    WritePage(response, 404, record.title, "<p>The video file is missing.</p>");
    return;
  }
  const std::string poster = context_.SignedReadUrl(record.cover_key, record.owner_uid);
  std::string body = "<video controls preload=\"metadata\" src=\"" + XmlEscape(video) + "\"";
  if (!poster.empty()) body += " poster=\"" + XmlEscape(poster) + "\"";
  body += "></video>";
  if (access.may_download) {
    const std::string download = context_.SignedReadUrl(record.video_key, record.owner_uid);
    body += "<p><a id=\"download\" download href=\"" + XmlEscape(download) + "\">Download</a></p>";
  }
  if (access.may_view_minutes) {
    body += "<section id=\"minutes\"><h2>Minutes</h2><p>" +
            XmlEscape(record.description.empty() ? "No minutes yet." : record.description) +
            "</p></section>";
  }
  WritePage(response, 200, record.title, body);
}

void PlayerPage::Play(const httplib::Request& request, httplib::Response& response) {
  const std::string uni_record_id = request.matches[1];
  const auto viewer = context_.links.ViewerOf(uni_record_id, request.get_param_value("viewer"),
                                              request.get_param_value("expires"),
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
  const Access access = context_.access.ForUser(*record, *viewer);
  // Opening the page is what puts a record on the viewer's recent list.
  if (access.may_view()) {
    context_.views.RecordNow(*viewer, uni_record_id, context_.clock.NowMillis());
  }
  Show(response, *record, access);
}

void PlayerPage::OpenShare(const httplib::Request& request, httplib::Response& response) {
  const auto uni_record_id = context_.shares.RecordOfShare(request.matches[1]);
  const auto record = uni_record_id ? context_.records.FindByUni(*uni_record_id) : std::nullopt;
  if (!record) {
    WritePage(response, 404, "Recording not found", "<p>This link leads nowhere.</p>");
    return;
  }
  const Access access = context_.access.ForLink(*record, request.get_param_value("pwd"));
  if (access.code == kPlayPasswordNeeded) {
    WritePage(response, 403, record->title,
              "<p>" + XmlEscape(access.tips) +
                  "</p><form method=\"get\"><input type=\"password\" name=\"pwd\">"
                  "<button type=\"submit\">Open</button></form>");
    return;
  }
  Show(response, *record, access);
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
