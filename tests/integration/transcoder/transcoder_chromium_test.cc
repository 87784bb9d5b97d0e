// The MP4 qr-transcoder uploads, served by qr-backend and played by headless Chromium from start
// to end: what a viewer's browser makes of it, not only what FFmpeg's own tools accept.

#include "headless_chromium.h"
#include "transcoder_fixture.h"
#include "video_playback.h"

namespace qr_transcoder::testing {
namespace {

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
  // A start of a few seconds on a busy machine, then 3 s of playing.
  auto fields = quickrec::testing::PlayVideoPage("<!doctype html><video src=\"" + source + "\"></video>",
                                                 dir_.path() + "/chromium-profile", std::chrono::seconds(20));
  ASSERT_FALSE(fields.empty()) << "the page did not report within 20 s";
  EXPECT_EQ(fields["event"], "ended") << fields["error"];
  EXPECT_EQ(fields["error"], "");
  EXPECT_EQ(fields["passed2"], "true");
  EXPECT_NEAR(std::stod(fields["duration"]), 3.0, 0.2);
  EXPECT_NEAR(std::stod(fields["time"]), 3.0, 0.2);
}

}  // namespace
}  // namespace qr_transcoder::testing
