// qrhost as a user runs it: a real process loading the real module library.

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "qrhost_process.h"

namespace {

TEST(QrhostInfoTest, ReportsWhatTheModuleContributed) {
  const ProcessRun run = RunQrhost("--config /nonexistent/config.json info");
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_NE(run.output.find("module:   quick_record"), std::string::npos) << run.output;
  EXPECT_TRUE(std::regex_search(run.output, std::regex("build:    [0-9a-f]{32}\n"))) << run.output;
  EXPECT_NE(run.output.find("contributes:app.quick_record_home_page_tab_container"), std::string::npos);
  EXPECT_NE(run.output.find("extension:quick_record.tab_my_records  position=3 visible=yes"), std::string::npos);
  EXPECT_NE(run.output.find("halvard_kovani_quick_record"), std::string::npos);
  EXPECT_NE(run.output.find("quick_record::QuickRecordSchemeModel"), std::string::npos);
}

TEST(QrhostInfoTest, TheConfigurationDecidesTabVisibility) {
  const std::string path = ::testing::TempDir() + "/qrhost_tabs.json";
  std::ofstream(path) << R"({"ability": {"quick_record_ability": {"quick_record_all_tab_enable": true}}})";
  const ProcessRun run = RunQrhost("--config " + path + " info");
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_NE(run.output.find("extension:quick_record.tab_all_records  position=1 visible=yes"), std::string::npos)
      << run.output;
  std::remove(path.c_str());
}

TEST(QrhostInfoTest, TheMeetingStateComesFromTheConfigurationOrTheOption) {
  EXPECT_NE(RunQrhost("--config /nonexistent/config.json info").output.find("in meeting: no"), std::string::npos);
  EXPECT_NE(RunQrhost("--config /nonexistent/config.json --in-meeting info").output.find("in meeting: yes"),
            std::string::npos);
  const std::string path = ::testing::TempDir() + "/qrhost_meeting.json";
  std::ofstream(path) << R"({"in_meeting": true})";
  const ProcessRun run = RunQrhost("--config " + path + " info");
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_NE(run.output.find("in meeting: yes"), std::string::npos) << run.output;
  std::remove(path.c_str());
}

TEST(QrhostInfoTest, AMissingModuleIsOneLineAndExitCodeTwo) {
  const ProcessRun run = RunQrhost("--module /nonexistent/libquick_record_module.so info");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  EXPECT_NE(run.output.find("/nonexistent/libquick_record_module.so"), std::string::npos);
}

TEST(QrhostInfoTest, ABrokenModuleFileIsRefused) {
  const std::string path = ::testing::TempDir() + "/libbroken_module.so";
  std::ofstream(path) << "this is not a shared library";
  ProcessRun run = RunQrhost("--module " + path + " info");
  EXPECT_EQ(run.exit_code, 2) << run.output;
  EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  std::remove(path.c_str());

  // A real library that is not a module: it lacks the two entry points.
  run = RunQrhost(std::string("--module ") + QUICKREC_LIB_DIR + "/libqrhost.so info");
  EXPECT_EQ(run.exit_code, 2) << run.output;
  EXPECT_NE(run.output.find("does not export Activate and Deactivate"), std::string::npos) << run.output;
}

TEST(QrhostInfoTest, ABadConfigurationFileIsRefused) {
  const std::string path = ::testing::TempDir() + "/qrhost_bad.json";
  std::ofstream(path) << "[1, 2";
  const ProcessRun run = RunQrhost("--config " + path + " info");
  EXPECT_EQ(run.exit_code, 2) << run.output;
  std::remove(path.c_str());
}

}  // namespace
