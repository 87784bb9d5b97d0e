#include "video_playback.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "headless_chromium.h"
#include "host/util/file.h"
#include "test_http_server.h"

namespace quickrec::testing {
namespace {

// Added at the end of the page: plays its first <video> element from the start, muted so that
// it may play without a user's gesture, and reports once.
constexpr char kReportScript[] = R"html(<script>
(() => {
  const v = document.querySelector('video');
  let duration = -1, passed2 = false, sent = false;
  function report(event) {
    if (sent) return;
    sent = true;
    const q = new URLSearchParams({event, duration, passed2, time: v ? v.currentTime : -1,
                                   error: v && v.error ? v.error.code + ' ' + v.error.message : ''});
    fetch('/report?' + q.toString());
  }
  if (!v) { report('no video element'); return; }
  v.muted = true;
  v.playsInline = true;
  v.addEventListener('loadedmetadata', () => {
    duration = v.duration;
    v.play().catch(e => report('play refused: ' + e));
  });
  v.addEventListener('timeupdate', () => { if (v.currentTime > 2.0) passed2 = true; });
  v.addEventListener('error', () => report('error'));
  v.addEventListener('ended', () => report('ended'));
  v.load();
})();
</script>)html";

// What the page reported; the HTTP server's thread fills it.
class ReportBox {
 public:
  void Set(const httplib::Params& params) {
    std::lock_guard lock(mutex_);
    if (!fields_.empty()) return;
    for (const auto& [name, value] : params) fields_[name] = value;
    arrived_.notify_all();
  }
  PlaybackReport Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return !fields_.empty(); });
    return fields_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  PlaybackReport fields_;
};

}  // namespace

PlaybackReport PlayVideoPage(const std::string& page_html, const std::string& profile_dir,
                             std::chrono::milliseconds timeout) {
  std::string page = page_html;
  const size_t body_end = page.rfind("</body>");
  page.insert(body_end == std::string::npos ? page.size() : body_end, kReportScript);
  ReportBox report;
  host_net_test::TestHttpServer pages([&](httplib::Server& server) {
    server.Get("/", [page](const httplib::Request&, httplib::Response& response) {
      response.set_content(page, "text/html");
    });
    server.Get("/report", [&](const httplib::Request& request, httplib::Response& response) {
      report.Set(request.params);
      response.set_content("", "text/plain");
    });
  });
  HeadlessChromium chromium;
  if (!util::file::MakePath(profile_dir) || !chromium.Open(pages.Url("/"), profile_dir)) return {};
  return report.Wait(timeout);
}

bool SaveScreenshot(const std::string& url, const std::string& profile_dir, const std::string& png,
                    std::chrono::milliseconds timeout) {
  // A picture left by an earlier run would pass for this one.
  util::file::Remove(png);
  HeadlessChromium chromium;
  if (!util::file::MakePath(profile_dir) || !util::file::MakePath(util::file::DirName(png)) ||
      !chromium.Open(url, profile_dir, {"--screenshot=" + png, "--window-size=1024,768", "--hide-scrollbars"})) {
    return false;
  }
  // The browser writes the file and exits; a file that stopped growing is complete.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int64_t last = -1;
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int64_t size = util::file::GetFileLength(png);
    if (size > 0 && size == last) return true;
    last = size;
  }
  return false;
}

}  // namespace quickrec::testing
