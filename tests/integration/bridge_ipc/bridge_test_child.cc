// A child process for the bridge IPC tests. It connects back to the host that started it and
// obeys the test's messages:
//   test:echo <text>      answers test:echo_reply with the same text
//   test:crash            aborts (SIGABRT)
//   test:exit {"code"}    exits with that code
//   test:close            closes its connection and stays alive
// It announces itself with test:ready {"pid", "target", "args"}. Started with --mode=dribble it
// instead speaks the protocol by hand, writing its frames in small pieces with pauses.

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <string>

#include "host/base/json/json_value.h"
#include "host/sdk/bridge/bridge_frame.h"
#include "host/sdk/bridge/bridge_ipc_client.h"

namespace {

using base::json::JsonValue;
using kovanisdk::bridge::BridgeIPCClient;

class Commands : public BridgeIPCClient::Delegate {
 public:
  void OnBridgeMessage(const std::string& name, const std::string& text) override {
    std::lock_guard lock(mutex_);
    queue_.emplace_back(name, text);
    wake_.notify_one();
  }
  void OnBridgeDisconnected() override { std::_Exit(0); }

  std::pair<std::string, std::string> Next() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !queue_.empty(); });
    auto next = std::move(queue_.front());
    queue_.pop_front();
    return next;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<std::string, std::string>> queue_;
};

bool WriteInPieces(int fd, const std::string& bytes, std::mt19937& random) {
  for (size_t pos = 0; pos < bytes.size();) {
    const size_t piece = std::min<size_t>(1 + random() % 5000, bytes.size() - pos);
    if (::send(fd, bytes.data() + pos, piece, MSG_NOSIGNAL) != static_cast<ssize_t>(piece)) return false;
    pos += piece;
    if (random() % 4 == 0) ::usleep(200);
  }
  return true;
}

int Dribble() {
  const char* path = std::getenv(kovanisdk::bridge::kSocketEnv);
  const char* token = std::getenv(kovanisdk::bridge::kTokenEnv);
  if (!path || !token) return 2;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 3;
  JsonValue hello = JsonValue::Object();
  hello.SetJsonObject("token", token);
  JsonValue payload = JsonValue::Object();
  payload.SetJsonObject("payload", std::string(300 * 1000, 'd'));
  // Two frames, their boundary falling anywhere inside a piece.
  const std::string bytes = kovanisdk::bridge::EncodeFrame(kovanisdk::bridge::kHelloName, hello.ToCompactString()) +
                            kovanisdk::bridge::EncodeFrame("test:dribbled", payload.ToCompactString()) +
                            kovanisdk::bridge::EncodeFrame("test:dribbled", R"({"payload":"second"})");
  std::mt19937 random(static_cast<unsigned>(::getpid()));
  if (!WriteInPieces(fd, bytes, random)) return 4;
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  JsonValue args = JsonValue::Array();
  for (int i = 1; i < argc; ++i) {
    args.AddaJsonObject(argv[i]);
    if (std::strcmp(argv[i], "--mode=dribble") == 0) return Dribble();
  }
  Commands commands;
  auto client = BridgeIPCClient::ConnectFromEnvironment(&commands);
  if (!client) return 2;
  JsonValue ready = JsonValue::Object();
  ready.SetJsonObject("pid", static_cast<int64_t>(::getpid()));
  ready.SetJsonObject("target", std::getenv(kovanisdk::bridge::kTargetEnv));
  ready.SetJsonObject("args", args);
  client->Send("test:ready", ready.ToCompactString());
  for (;;) {
    auto [name, text] = commands.Next();
    if (name == "test:echo") {
      client->Send("test:echo_reply", text);
    } else if (name == "test:crash") {
      std::abort();
    } else if (name == "test:exit") {
      std::_Exit(static_cast<int>(JsonValue::Parse(text)["code"].AsInteger()));
    } else if (name == "test:close") {
      client->Close();
      for (;;) ::pause();
    }
  }
}
