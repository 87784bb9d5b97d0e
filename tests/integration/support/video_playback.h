#pragma once

#include <chrono>
#include <map>
#include <string>

namespace quickrec::testing {

// What headless Chromium made of the first <video> element of a page: its duration once the
// metadata loaded ("duration", seconds), how far it played ("time"), whether it passed 2 s
// ("passed2": "true"/"false"), and how it stopped ("event": "ended", "error", "play refused: ...",
// with "error" the media error's code and message). Empty when the page did not report in time.
using PlaybackReport = std::map<std::string, std::string>;

// Serves `page_html` (any page with a <video> element, e.g. a player page) from a loopback
// server with a small script added at its end that mutes the video (autoplay), plays it from the
// start and reports at the first media error or at its end; opens it in headless Chromium with a
// fresh profile in `profile_dir`, and waits for the report. Needs `chromium`
// (HeadlessChromium::Find).
PlaybackReport PlayVideoPage(const std::string& page_html, const std::string& profile_dir,
                             std::chrono::milliseconds timeout);

// Saves a PNG of the page at `url` to `png`, taken by headless Chromium (fresh profile in
// `profile_dir`) once the page has loaded; false when none was written within `timeout`.
bool SaveScreenshot(const std::string& url, const std::string& profile_dir, const std::string& png,
                    std::chrono::milliseconds timeout);

}  // namespace quickrec::testing
