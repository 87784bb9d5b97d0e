#include "api/push_stream_api.h"

#include <httplib.h>

#include <charconv>
#include <chrono>

#include "api/api_context.h"
#include "api/biz_code.h"
#include "push/push_hub.h"
#include "push/push_stanza.h"

namespace qr_backend {

namespace {

bool WriteLine(httplib::DataSink& sink, std::string line) {
  line.push_back('\n');
  return sink.write(line.data(), line.size());
}

}  // namespace

void PushStreamApi::Register(ApiRouter& router) {
  router.GetRaw(kPath,
                [this](const ApiCall& call, httplib::Response& response) { Open(call, response); });
}

void PushStreamApi::Open(const ApiCall& call, httplib::Response& response) {
  int64_t cursor = 0;
  const std::string after = call.Param("after");
  if (after.empty()) {
    cursor = context_.push.LatestId(call.user.app_uid);
  } else {
    auto [ptr, ec] = std::from_chars(after.data(), after.data() + after.size(), cursor);
    if (ec != std::errc() || ptr != after.data() + after.size() || cursor < 0) {
      ApiRouter::WriteEnvelope(
          response, ApiAnswer::Fail(kBizBadRequest, "\"after\" must be an event id"), call.nonce);
      return;
    }
  }
  const std::chrono::milliseconds heartbeat(context_.settings.push_heartbeat_ms);
  PushHub& hub = context_.push;
  // "; charset=utf-8" keeps the library from gzip-compressing the stream, which would hold
  // lines back in the compressor instead of sending each one at once.
  response.set_chunked_content_provider("application/xml; charset=utf-8",
                                        [&hub, heartbeat, uid = call.user.app_uid, cursor,
                                         opened = false](size_t, httplib::DataSink& sink) mutable {
                                          if (!opened) {
                                            opened = true;
                                            // The subscription is live once this line arrives.
                                            if (!WriteLine(sink, std::string(kPingStanza)))
                                              return false;
                                          }
                                          const auto events = hub.Wait(uid, cursor, heartbeat);
                                          if (hub.shutting_down()) {
                                            sink.done();
                                            return true;
                                          }
                                          if (events.empty())
                                            return WriteLine(sink, std::string(kPingStanza));
                                          for (const PushEvent& event : events) {
                                            if (!WriteLine(sink, PushStanza(event))) return false;
                                            cursor = event.id;
                                          }
                                          return true;
                                        });
}

}  // namespace qr_backend
