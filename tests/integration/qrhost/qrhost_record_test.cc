// qrhost record as a user meets it: on an Xvfb screen, against a qr-backend of the test's own,
// through the module's pages, in a pseudo-terminal with keys or without a terminal; and the link
// it prints opened in headless Chromium.

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "backend_fixture.h"
#include "headless_chromium.h"
#include "host/util/scoped_env.h"
#include "qrhost_process.h"
#include "qrhost_terminal.h"
#include "video_playback.h"
#include "x_test_window.h"
#include "xvfb_display.h"

namespace {

using namespace std::chrono_literals;

class QrhostRecordTest : public qr_backend::testing::BackendTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.Start(640, 360)) << display_.error();
    BackendTest::SetUp();
    config_ = dir_.path() + "/qrhost.json";
    nlohmann::json config = {{"backend_url", "http://127.0.0.1:" + std::to_string(backend_->api_port())},
                             {"account",
                              {{"app_id", "qr-app"},
                               {"app_uid", alice_.app_uid},
                               {"nick_name", "Alice"},
                               {"token", alice_.token},
                               {"secret", alice_.secret}}},
                             {"save_dir", dir_.path() + "/recordings"}};
    std::ofstream(config_) << config.dump();
  }

  std::string Args(const std::string& record_options) const {
    return "--config " + config_ + " record " + record_options;
  }
  // The caller's own records as the back end lists them.
  nlohmann::json MyRecords() const {
    return Api(alice_).Post("/v2/meetlog/dashboard/my-record-list", {{"page_size", 20}})["data"]["records"];
  }

  quickrec::testing::XvfbDisplay display_;
  // The bar opens the finished record's page in the desktop's browser (xdg-open): not here.
  util::ScopedEnv browser_{"BROWSER", "true"};
  std::string config_;
};

TEST_F(QrhostRecordTest, KeysPauseResumeAndFinishAndEscapeThenNoKeepsRecording) {
  util::ScopedEnv display("DISPLAY", display_.name().c_str());
  QrhostTerminal terminal(Args("--title Keys"));
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.WaitFor("REC 00:0", 30s)) << terminal.output() << backend_->log();
  terminal.Type(" ");
  ASSERT_TRUE(terminal.WaitFor("PAUSED", 5s)) << terminal.output();
  terminal.Type(" ");
  ASSERT_TRUE(terminal.WaitFor("REC ", 5s)) << terminal.output();
  terminal.Type("\x1b");
  ASSERT_TRUE(terminal.WaitFor("[y/n]", 5s)) << terminal.output();
  terminal.Type("n");
  ASSERT_TRUE(terminal.WaitFor("recording goes on", 5s)) << terminal.output();
  ASSERT_TRUE(terminal.WaitFor("REC ", 5s)) << terminal.output();
  terminal.Type("\r");
  ASSERT_TRUE(terminal.WaitFor("link: http://", 120s)) << terminal.output() << backend_->log();
  EXPECT_EQ(terminal.WaitForExit(10s), 0) << terminal.output();
  const auto records = MyRecords();
  ASSERT_EQ(records.size(), 1u) << records.dump();
  EXPECT_EQ(records[0].value("title", ""), "Keys");
  EXPECT_EQ(records[0].value("record_state", 0), 1) << "completed on the back end";
}

TEST_F(QrhostRecordTest, EscapeThenYesCancelsAndTheBackEndDropsTheRecord) {
  util::ScopedEnv display("DISPLAY", display_.name().c_str());
  QrhostTerminal terminal(Args(""));
  ASSERT_TRUE(terminal.WaitFor("REC 00:0", 30s)) << terminal.output() << backend_->log();
  ASSERT_EQ(MyRecords().size(), 1u) << "the record exists while it is being made";
  terminal.Type("\x1b");
  ASSERT_TRUE(terminal.WaitFor("[y/n]", 5s)) << terminal.output();
  terminal.Type("y");
  EXPECT_EQ(terminal.WaitForExit(30s), 1) << terminal.output();
  EXPECT_NE(terminal.output().find("the recording was cancelled"), std::string::npos) << terminal.output();
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = MyRecords().empty();
    if (!gone) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(gone) << MyRecords().dump();
}

TEST_F(QrhostRecordTest, EveryModeEndsWithACoverOnTheRecord) {
  util::ScopedEnv display("DISPLAY", display_.name().c_str());
  std::string outputs;
  for (const char* mode : {"--camera", "--screen-and-camera", "--screen-and-camera --no-mic"}) {
    const ProcessRun run = RunQrhost(Args(std::string(mode) + " --seconds 2 --title '" + mode + "'"));
    ASSERT_EQ(run.exit_code, 0) << mode << "\n" << run.output << backend_->log();
    outputs += run.output;
  }
  // The transcoder puts the cover up right after the video, so it may come just after the link.
  nlohmann::json records;
  const auto all_covered = [&] {
    records = MyRecords();
    for (const auto& record : records) {
      if (record.value("cover_url", "").empty()) return false;
    }
    return true;
  };
  for (int i = 0; i < 100 && !all_covered(); ++i) std::this_thread::sleep_for(100ms);
  ASSERT_EQ(records.size(), 3u) << records.dump();
  for (const auto& record : records) {
    EXPECT_EQ(record.value("record_state", 0), 1) << record.dump();
    EXPECT_NE(record.value("cover_url", ""), "") << record.value("title", "") << " has no cover\n" << outputs;
  }
}

TEST_F(QrhostRecordTest, TheBarShowsPartsGoingUpWhileTheRecordingRuns) {
  // A scene no encoder can predict makes the file pass a 5 MiB part within a few seconds.
  quickrec::testing::XTestWindow noise;
  ASSERT_TRUE(noise.Open(display_.name(), 0, 0, 640, 360, 0));
  noise.StartNoise(30);
  util::ScopedEnv display("DISPLAY", display_.name().c_str());
  const ProcessRun run = RunQrhost(Args("--seconds 10 < /dev/null"));
  ASSERT_EQ(run.exit_code, 0) << run.output << backend_->log();
  // Plain lines without a terminal: the bar's lines come before the first "uploading" line.
  const size_t finished = run.output.find("uploading [");
  ASSERT_NE(finished, std::string::npos) << run.output;
  const std::string bar = run.output.substr(0, finished);
  const std::regex share("upload (\\d+)% of ");
  int highest = 0;
  for (auto it = std::sregex_iterator(bar.begin(), bar.end(), share);
       it != std::sregex_iterator(); ++it) {
    highest = std::max(highest, std::stoi((*it)[1]));
  }
  EXPECT_GT(highest, 0) << "no part showed on the bar before the finish:\n" << run.output;
}

TEST_F(QrhostRecordTest, InAMeetingItRefusesWithOneLineAndStartsNothing) {
  const ProcessRun run = RunQrhost("--in-meeting " + Args("--seconds 1"), /*headless=*/true);
  EXPECT_EQ(run.exit_code, 1) << run.output;
  const std::string refusal = "qrhost: you are in a meeting; quick recording is not available during a meeting\n";
  ASSERT_GE(run.output.size(), refusal.size()) << run.output;
  EXPECT_EQ(run.output.substr(run.output.size() - refusal.size()), refusal) << "one line, at the end";
  EXPECT_EQ(run.output.find("qrhost:"), run.output.size() - refusal.size()) << run.output;
  EXPECT_TRUE(MyRecords().empty());
}

TEST_F(QrhostRecordTest, ThePrintedLinkPlaysInChromium) {
  if (quickrec::testing::HeadlessChromium::Find().empty()) {
    GTEST_SKIP() << "chromium is not installed (./quickrec deps installs it)";
  }
  util::ScopedEnv display("DISPLAY", display_.name().c_str());
  // No terminal: it records for --seconds and prints the result as JSON.
  const ProcessRun run = RunQrhost(Args("--seconds 5 --json"));
  ASSERT_EQ(run.exit_code, 0) << run.output << backend_->log();
  // Stdout and stderr come together here: the result is the one line that is a JSON object.
  nlohmann::json result;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("{\"", 0) == 0) result = nlohmann::json::parse(line, nullptr, false);
  }
  ASSERT_TRUE(result.is_object()) << run.output;
  const std::string link = result.value("link", "");
  const double duration = result.value("duration_ms", int64_t{0}) / 1000.0;
  EXPECT_GE(duration, 5.0) << "the bar ran 5 s; the recorder started before the count-down";
  EXPECT_GT(result.value("size", int64_t{0}), 0);
  EXPECT_GT(result.value("finish_to_link_ms", int64_t{0}), 0);

  const auto page = Browse(link);
  ASSERT_EQ(page.status, 200) << link;
  auto report = quickrec::testing::PlayVideoPage(page.body, dir_.path() + "/chromium-play", 30s);
  ASSERT_FALSE(report.empty()) << "the player page did not report within 30 s";
  EXPECT_EQ(report["error"], "");
  EXPECT_EQ(report["passed2"], "true") << report["event"];
  EXPECT_NEAR(std::stod(report["duration"]), duration, 0.2);
  const std::string png = std::string(QUICKREC_BIN_DIR) + "/../test-artifacts/player_page.png";
  EXPECT_TRUE(quickrec::testing::SaveScreenshot(link, dir_.path() + "/chromium-shot", png, 30s));
}

}  // namespace
