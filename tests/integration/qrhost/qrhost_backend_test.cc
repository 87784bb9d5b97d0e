// The embedded back end as a user meets it: qrhost starts qr-backend when no back end is
// configured, leaves it running after it exits, finds it again, and stops it on request.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "host/util/file.h"
#include "qrhost_process.h"

namespace {

struct Shown {
  int pid = 0;
  int api_port = 0;
};

// The pid and API port that `backend start` or `backend status` printed.
Shown Parse(const std::string& output) {
  Shown shown;
  std::smatch match;
  if (std::regex_search(output, match, std::regex(R"(running \(pid (\d+)\))"))) shown.pid = std::stoi(match[1]);
  if (std::regex_search(output, match, std::regex(R"(api: +http://127\.0\.0\.1:(\d+))"))) {
    shown.api_port = std::stoi(match[1]);
  }
  return shown;
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

bool Gone(int pid) {
  for (int i = 0; i < 250; ++i) {
    if (kill(pid, 0) != 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class QrhostBackendTest : public ::testing::Test {
 protected:
  void TearDown() override { RunQrhost("backend stop", true); }
};

TEST_F(QrhostBackendTest, StartsOnceKeepsRunningAfterQrhostAndStopsOnRequest) {
  ProcessRun run = RunQrhost("backend status", true);
  EXPECT_EQ(run.exit_code, 3) << run.output;
  EXPECT_NE(run.output.find("not running"), std::string::npos) << run.output;

  run = RunQrhost("backend start", true);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const Shown first = Parse(run.output);
  ASSERT_GT(first.pid, 0) << run.output;
  EXPECT_TRUE(Accepts(first.api_port)) << "qrhost has exited; the service must not have";
  const std::string data = QrhostTestHome() + "/data/quickrec/backend";
  EXPECT_TRUE(util::file::IsFileExist(data + "/backend.db"));
  EXPECT_TRUE(util::file::IsFileExist(QrhostTestHome() + "/run/quickrec/backend.json"));

  run = RunQrhost("backend start", true);
  EXPECT_EQ(Parse(run.output).pid, first.pid) << "a running back end is used, not a second one started";
  run = RunQrhost("backend status", true);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(Parse(run.output).api_port, first.api_port) << run.output;

  run = RunQrhost("backend stop", true);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_TRUE(Gone(first.pid));
  EXPECT_EQ(RunQrhost("backend status", true).exit_code, 3);
}

TEST_F(QrhostBackendTest, AKilledBackEndIsStartedAgainOnItsOldPorts) {
  const Shown first = Parse(RunQrhost("backend start", true).output);
  ASSERT_GT(first.pid, 0);
  ASSERT_EQ(kill(first.pid, SIGKILL), 0);
  ASSERT_TRUE(Gone(first.pid));
  EXPECT_EQ(RunQrhost("backend status", true).exit_code, 3) << "a dead pid is not a running back end";

  const ProcessRun run = RunQrhost("backend start", true);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const Shown second = Parse(run.output);
  EXPECT_NE(second.pid, first.pid);
  EXPECT_EQ(second.api_port, first.api_port) << "links handed out before must keep their address";
  EXPECT_TRUE(Accepts(second.api_port));
}

TEST_F(QrhostBackendTest, AConfiguredBackEndIsUsedAsItIs) {
  const std::string path = QrhostTestHome() + "/configured.json";
  std::ofstream(path) << R"({"backend_url": "http://127.0.0.1:9"})";
  const ProcessRun run = RunQrhost("--config " + path + " backend status", true);
  EXPECT_NE(run.output.find("configured back end: http://127.0.0.1:9"), std::string::npos) << run.output;
  EXPECT_EQ(run.exit_code, 3) << "nothing was started for it";
}

}  // namespace
