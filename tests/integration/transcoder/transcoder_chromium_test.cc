// The MP4 qr-transcoder uploads, served by qr-backend and played by headless Chromium from start
// to end: what a viewer's browser makes of it, not only what FFmpeg's own tools accept.

#include "headless_chromium.h"
#include "transcoder_fixture.h"
#include "video_playback.h"

namespace qr_transcoder::testing {
namespace {

class TranscoderChromiumTest : public TranscoderTest {
 protected:
  // Uploads the recording at `base` (instance `name`) and plays the object in headless Chromium:
  // it must play from start to end, `seconds` long.
  void ExpectUploadPlaysToTheEnd(const std::string& name, const std::string& base, double seconds) {
    if (quickrec::testing::HeadlessChromium::Find().empty()) {
      GTEST_SKIP() << "chromium is not installed (./quickrec deps installs it)";
    }
    ASSERT_GT(StartTranscoder(), 0);
    const auto start = StartRecord(alice_);
    Send("quick_record:start_transcode", StartMessage(name, base, true));
    Send("quick_record:upload_file_auth", AuthMessage(name, start));
    const int complete = WaitForEvent("quick_record:upload_file_complete", name);
    ASSERT_GE(complete, 0);
    ASSERT_EQ(ObjectMd5(start), LocalMd5(base + ".mp4"));

    // The browser fetches the object itself, with byte ranges, authorised in the query.
    std::string source = start.value("video_cos_key", "") + "?";
    for (const auto& [field, value] : qr_backend::testing::ObjectClient::Auth(start, "get")) {
      source += std::string(field == "Authorization" ? "auth" : "session_token") + "=" +
                httplib::detail::encode_query_param(value) + "&";
    }
    source.pop_back();
    // A start of a few seconds on a busy machine, then the playing.
    auto fields = quickrec::testing::PlayVideoPage("<!doctype html><video src=\"" + source + "\"></video>",
                                                   dir_.path() + "/chromium-profile", std::chrono::seconds(20));
    ASSERT_FALSE(fields.empty()) << "the page did not report within 20 s";
    EXPECT_EQ(fields["event"], "ended") << fields["error"];
    EXPECT_EQ(fields["error"], "");
    EXPECT_EQ(fields["passed2"], "true");
    EXPECT_NEAR(std::stod(fields["duration"]), seconds, 0.2);
    EXPECT_NEAR(std::stod(fields["time"]), seconds, 0.2);
  }
};

TEST_F(TranscoderChromiumTest, TheUploadedMp4PlaysInChromiumFromStartToEnd) {
  // A pause between the segments: the timeline the browser sees must run on without a gap.
  ExpectUploadPlaysToTheEnd("play", Record("play", {2000, 1000}), 3.0);
}

TEST_F(TranscoderChromiumTest, APointerMovingOverAStillPicturePlaysInChromium) {
  // Nearly every frame is a patch of raw macroblocks over libx264's picture, kept apart from it
  // as a long-term reference: the browser's decoder must follow that as FFmpeg's does.
  SyntheticRecording::Options options = RecordingOptions(false);
  options.pointer = true;
  ExpectUploadPlaysToTheEnd("pointer", Record("pointer", {3000}, options), 3.0);
}

}  // namespace
}  // namespace qr_transcoder::testing
