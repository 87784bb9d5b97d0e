// The MP4 qr-transcoder uploads, served by qr-backend and played by headless Chromium from start
// to end: what a viewer's browser makes of it, not only what FFmpeg's own tools accept.

#include <condition_variable>
#include <map>
#include <mutex>

#include "headless_chromium.h"
#include "host/util/file.h"
#include "test_http_server.h"
#include "transcoder_fixture.h"

namespace qr_transcoder::testing {
namespace {

// The page mutes the video (autoplay), plays it and reports what the element saw at the first
// media error or at its end: the duration it reported once its metadata loaded, how far it
// played, and whether it passed 2 s.
constexpr char kPage[] = R"html(<!doctype html>
<video id="v" muted playsinline></video>
<script>
const v = document.getElementById('v');
let duration = -1, passed2 = false, sent = false;
function report(event) {
  if (sent) return;
  sent = true;
  const q = new URLSearchParams({event, duration, passed2, time: v.currentTime,
                                 error: v.error ? v.error.code + ' ' + v.error.message : ''});
  fetch('/report?' + q.toString());
}
v.addEventListener('loadedmetadata', () => {
  duration = v.duration;
  v.play().catch(e => report('play refused: ' + e));
});
v.addEventListener('timeupdate', () => { if (v.currentTime > 2.0) passed2 = true; });
v.addEventListener('error', () => report('error'));
v.addEventListener('ended', () => report('ended'));
v.src = SOURCE;
</script>
)html";

// What the page reported; the HTTP server's thread fills it.
class PageReport {
 public:
  void Set(const httplib::Params& params) {
    std::lock_guard lock(mutex_);
    if (!fields_.empty()) return;
    for (const auto& [name, value] : params) fields_[name] = value;
    arrived_.notify_all();
  }
  // The fields, or none when the page did not report within `timeout`.
  std::map<std::string, std::string> Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return !fields_.empty(); });
    return fields_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::map<std::string, std::string> fields_;
};

TEST_F(TranscoderTest, TheUploadedMp4PlaysInChromiumFromStartToEnd) {
  if (quickrec::testing::HeadlessChromium::Find().empty()) {
    GTEST_SKIP() << "chromium is not installed (./quickrec deps installs it)";
  }
  ASSERT_GT(StartTranscoder(), 0);
  // A pause between the segments: the timeline the browser sees must run on without a gap.
  const std::string base = Record("play", {2000, 1000});
  const auto start = StartRecord(alice_);
  Send("quick_record:start_transcode", StartMessage("play", base, true));
  Send("quick_record:upload_file_auth", AuthMessage("play", start));
  const int complete = WaitForEvent("quick_record:upload_file_complete", "play");
  ASSERT_GE(complete, 0);
  ASSERT_EQ(ObjectMd5(start), LocalMd5(base + ".mp4"));

  // The browser fetches the object itself, with byte ranges, authorised in the query.
  std::string source = start.value("video_cos_key", "") + "?";
  for (const auto& [name, value] : qr_backend::testing::ObjectClient::Auth(start, "get")) {
    source += std::string(name == "Authorization" ? "auth" : "session_token") + "=" +
              httplib::detail::encode_query_param(value) + "&";
  }
  source.pop_back();
  PageReport report;
  host_net_test::TestHttpServer pages([&](httplib::Server& server) {
    std::string page = kPage;
    page.replace(page.find("SOURCE"), 6, "'" + source + "'");
    server.Get("/", [page](const httplib::Request&, httplib::Response& response) {
      response.set_content(page, "text/html");
    });
    server.Get("/report", [&](const httplib::Request& request, httplib::Response& response) {
      report.Set(request.params);
      response.set_content("", "text/plain");
    });
  });
  const std::string profile = dir_.path() + "/chromium-profile";
  ASSERT_TRUE(util::file::MakePath(profile));
  quickrec::testing::HeadlessChromium chromium;
  ASSERT_TRUE(chromium.Open(pages.Url("/"), profile));
  // A start of a few seconds on a busy machine, then 3 s of playing.
  auto fields = report.Wait(std::chrono::seconds(20));
  chromium.Close();

  ASSERT_FALSE(fields.empty()) << "the page did not report within 20 s";
  EXPECT_EQ(fields["event"], "ended") << fields["error"];
  EXPECT_EQ(fields["error"], "");
  EXPECT_EQ(fields["passed2"], "true");
  EXPECT_NEAR(std::stod(fields["duration"]), 3.0, 0.2);
  EXPECT_NEAR(std::stod(fields["time"]), 3.0, 0.2);
}

}  // namespace
}  // namespace qr_transcoder::testing
