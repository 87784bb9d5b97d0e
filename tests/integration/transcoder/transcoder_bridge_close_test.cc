// The host going away: qr-transcoder reads the end of its bridge connection, stops its tasks and
// exits 0, with the upload state of an upload in flight written.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "host/sdk/bridge/bridge_frame.h"
#include "host/sdk/bridge/bridge_ipc_client.h"
#include "host/sdk/kovani_common/paths.h"
#include "transcoder/upload_state.h"
#include "transcoder_fixture.h"

extern char** environ;

namespace qr_transcoder::testing {
namespace {

using kovanisdk::bridge::BridgeFrame;
using kovanisdk::bridge::BridgeFrameReader;

// A host of one child, by hand: its listening socket, the child, and the accepted connection.
class HandMadeBridge {
 public:
  explicit HandMadeBridge(const std::string& dir) : socket_path_(dir + "/bridge.sock") {}
  ~HandMadeBridge() {
    if (connection_ >= 0) ::close(connection_);
    if (listener_ >= 0) ::close(listener_);
    if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Starts the program with the bridge environment and takes its hello; true when connected.
  bool Start(const std::string& program) {
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socket_path_.c_str());
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(listener_, 1) != 0) {
      return false;
    }
    std::vector<std::string> env_text = {std::string(kovanisdk::bridge::kSocketEnv) + "=" + socket_path_,
                                         std::string(kovanisdk::bridge::kTokenEnv) + "=0123456789abcdef0123456789abcdef",
                                         std::string(kovanisdk::bridge::kTargetEnv) + "=qr-transcoder"};
    std::vector<char*> env;
    for (auto& e : env_text) env.push_back(e.data());
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, env.data()) != 0) return false;
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 10000) != 1) return false;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    BridgeFrame hello;
    return connection_ >= 0 && Next(&hello) && hello.name == "bridge:hello";
  }

  bool Send(const std::string& name, const std::string& text) {
    const std::string frame = kovanisdk::bridge::EncodeFrame(name, text);
    return ::write(connection_, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
  }

  // The next frame within 20 s.
  bool Next(BridgeFrame* frame) {
    for (;;) {
      if (reader_.Next(frame) == BridgeFrameReader::Status::kFrame) return true;
      pollfd readable{connection_, POLLIN, 0};
      char buffer[4096];
      if (::poll(&readable, 1, 20000) != 1) return false;
      const ssize_t n = ::read(connection_, buffer, sizeof(buffer));
      if (n <= 0) return false;
      reader_.Append(buffer, static_cast<size_t>(n));
    }
  }

  // Waits for a frame of that name.
  bool WaitFor(const std::string& name) {
    BridgeFrame frame;
    while (Next(&frame)) {
      if (frame.name == name) return true;
    }
    return false;
  }

  void Close() {
    ::close(connection_);
    connection_ = -1;
  }

  // The exit status within `timeout_ms`, or -1.
  int WaitExit(int timeout_ms) {
    for (int waited = 0; waited < timeout_ms; waited += 20) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  std::string socket_path_;
  int listener_ = -1;
  int connection_ = -1;
  pid_t pid_ = -1;
  BridgeFrameReader reader_;
};

TEST_F(TranscoderTest, TheHostClosingTheBridgeEndsTheProcessWithTheUploadStateWritten) {
  const std::string base = Record("closed", {4000});
  const auto start = StartRecord(alice_);
  ArmFault({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "delay"}, {"delay_ms", 300}});
  HandMadeBridge bridge(dir_.path());
  ASSERT_TRUE(bridge.Start(kovani_common::utils::record::GetTranscodeExecuteFilePath()));
  ASSERT_TRUE(bridge.WaitFor("local_record:transcode_process_started"));
  ASSERT_TRUE(bridge.Send("quick_record:start_transcode", StartMessage("rec-c", base, true).ToStyledString()));
  ASSERT_TRUE(bridge.Send("quick_record:upload_file_auth", AuthMessage("rec-c", start).ToStyledString()));
  ASSERT_TRUE(bridge.WaitFor("quick_record:upload_file_upload_subpart_finished"));
  bridge.Close();
  EXPECT_EQ(bridge.WaitExit(10000), 0);
  const auto state = UploadStateFile::Load(UploadStateFile::PathFor(base + ".mp4"));
  ASSERT_TRUE(state);
  EXPECT_EQ(state->instance_id, "rec-c");
  EXPECT_FALSE(state->upload_id.empty());
  EXPECT_GE(state->parts.size(), 1u);
  EXPECT_FALSE(state->upload_complete);
}

}  // namespace
}  // namespace qr_transcoder::testing
