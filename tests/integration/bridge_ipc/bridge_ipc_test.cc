// The bridge IPC service with real child processes (bridge_test_child) over its Unix socket.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "host/base/json/json_value.h"
#include "host/base/threading/host_loopers.h"
#include "host/sdk/bridge/bridge_frame.h"
#include "host/sdk/bridge/bridge_ipc_client.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/sdk/service/transcode_process_status.h"

namespace {

using base::json::JsonValue;
using kovanisdk::IBridgeIPCService;

constexpr int64_t kWaitMs = 20000;
const std::string kChild = std::string(QUICKREC_BIN_DIR) + "/bridge_test_child";

struct Event {
  std::string name;
  std::string text;
  JsonValue json() const { return JsonValue::Parse(text); }
};

// Records what the service delivers; everything arrives on the main looper (the test thread).
class Recorder : public kovanisdk::IBridgeIPCEventDelegate {
 public:
  void OnBridgeIPCEvent(const std::string& name, const std::string& data) override {
    EXPECT_TRUE(base::threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread());
    events.push_back({name, data});
  }
  void OnSubprocessCreate(const std::string& result) override { creates.push_back(JsonValue::Parse(result)); }
  void OnSubprocessExit(const std::string& result) override { exits.push_back(JsonValue::Parse(result)); }

  std::vector<Event> Named(const std::string& name) const {
    std::vector<Event> named;
    for (const auto& e : events) {
      if (e.name == name) named.push_back(e);
    }
    return named;
  }
  size_t Count(const std::string& name) const {
    return static_cast<size_t>(std::count_if(events.begin(), events.end(), [&](const Event& e) { return e.name == name; }));
  }
  std::vector<JsonValue> ExitsOf(const std::string& target) const {
    std::vector<JsonValue> of;
    for (const auto& e : exits) {
      if (e["target"].AsString() == target) of.push_back(e);
    }
    return of;
  }

  std::vector<Event> events;
  std::vector<JsonValue> creates;
  std::vector<JsonValue> exits;
};

class BridgeIPCTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service_ = kovanisdk::utils::service::GetBridgeIPCService();
    service_->RegisterEventDelegate(&recorder_, {"test:ready", "test:echo_reply", "test:dribbled"});
    target_ = std::string("test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    if (service_->EndProcess(target_)) WaitFor([&] { return !service_->IsProcessRunning(target_); });
    service_->UnregisterEventDelegate(&recorder_);
  }

  bool WaitFor(const std::function<bool()>& done, int64_t timeout_ms = kWaitMs) {
    return loopers_.RunMainLoopUntil(done, timeout_ms);
  }

  JsonValue CreateRequest(const std::string& program, const std::string& extra_args,
                          const std::string& anr_timeout = "50000") {
    JsonValue request = JsonValue::Object();
    request.SetJsonObject("--originalcmd", "--shell=\"" + program + "\" --uid=dGVzdA== " + extra_args);
    request.SetJsonObject("--shell", program);
    request.SetJsonObject("--target", target_);
    request.SetJsonObject("--detach", "0");
    request.SetJsonObject("--anrtimeout", anr_timeout);
    request.SetJsonObject("--pid", "");
    return request;
  }

  // Starts the test child and waits for its test:ready; answers its pid.
  int64_t StartChild(const std::string& extra_args = "", const std::string& anr_timeout = "50000") {
    const size_t ready_before = recorder_.Count("test:ready");
    EXPECT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage,
                                       CreateRequest(kChild, extra_args, anr_timeout).ToStyledString()),
              IBridgeIPCService::kOk);
    EXPECT_TRUE(WaitFor([&] { return recorder_.Count("test:ready") > ready_before; }));
    if (recorder_.creates.empty()) return -1;
    EXPECT_EQ(recorder_.creates.back()["errorcode"].AsInteger(-1), 0);
    EXPECT_EQ(recorder_.creates.back()["target"].AsString(), target_);
    return recorder_.creates.back()["pid"].AsInteger();
  }

  base::threading::HostLoopers loopers_;
  std::shared_ptr<IBridgeIPCService> service_;
  Recorder recorder_;
  std::string target_;
};

TEST_F(BridgeIPCTest, StartsTheProgramWithItsArgumentsAndExchangesMessages) {
  const int64_t pid = StartChild("--mode=echo");
  ASSERT_GT(pid, 0);
  const Event ready = recorder_.Named("test:ready").back();
  EXPECT_EQ(ready.json()["pid"].AsInteger(), pid);
  EXPECT_EQ(ready.json()["target"].AsString(), target_);
  ASSERT_EQ(ready.json()["args"].Size(), 2u);
  EXPECT_EQ(ready.json()["args"][0].AsString(), "--uid=dGVzdA==");
  EXPECT_EQ(ready.json()["args"][1].AsString(), "--mode=echo");
  EXPECT_TRUE(service_->IsProcessRunning(target_));

  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(service_->SendIPCMessage("test:echo", "{\"i\":" + std::to_string(i) + "}"), IBridgeIPCService::kOk);
  }
  ASSERT_TRUE(WaitFor([&] { return recorder_.Count("test:echo_reply") == 20; }));
  for (int i = 0; i < 20; ++i) EXPECT_EQ(recorder_.Named("test:echo_reply")[i].json()["i"].AsInteger(), i);

  ASSERT_TRUE(service_->EndProcess(target_));
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }));
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["reason"].AsString(), "ended");
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["pid"].AsInteger(), pid);
  EXPECT_FALSE(service_->IsProcessRunning(target_));
  EXPECT_EQ(service_->SendIPCMessage("test:echo", "{}"), IBridgeIPCService::kNoProcess);
}

TEST_F(BridgeIPCTest, EightMebibyteMessagesTravelBothWays) {
  ASSERT_GT(StartChild(), 0);
  std::mt19937 random(3);
  std::string blob(8 * 1024 * 1024, 'x');
  for (auto& c : blob) c = static_cast<char>('a' + random() % 26);
  JsonValue message = JsonValue::Object();
  message.SetJsonObject("blob", blob);
  const std::string text = message.ToCompactString();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(service_->SendIPCMessage("test:echo", text), IBridgeIPCService::kOk);
  ASSERT_EQ(service_->SendIPCMessage("test:echo", "{\"after\":true}"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return recorder_.Count("test:echo_reply") == 2; }));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::printf("8 MiB message to the child and back: %lld ms\n", static_cast<long long>(ms.count()));
  EXPECT_TRUE(recorder_.Named("test:echo_reply")[0].text == text);
  EXPECT_TRUE(recorder_.Named("test:echo_reply")[1].json()["after"].AsBoolean());
}

TEST_F(BridgeIPCTest, ACrashingChildIsReportedOnceWithItsSignal) {
  const int64_t pid = StartChild();
  ASSERT_GT(pid, 0);
  ASSERT_EQ(service_->SendIPCMessage("test:crash", "{}"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }));
  // Longer than the disconnect grace: no second report comes.
  WaitFor([] { return false; }, 1000);
  ASSERT_EQ(recorder_.ExitsOf(target_).size(), 1u);
  const JsonValue exit = recorder_.ExitsOf(target_)[0];
  EXPECT_EQ(exit["reason"].AsString(), "signaled");
  EXPECT_EQ(exit["signal"].AsInteger(), SIGABRT);
  EXPECT_EQ(exit["pid"].AsInteger(), pid);
  EXPECT_FALSE(service_->IsProcessRunning(target_));
}

TEST_F(BridgeIPCTest, ExitCodeIsReported) {
  ASSERT_GT(StartChild(), 0);
  ASSERT_EQ(service_->SendIPCMessage("test:exit", R"({"code": 3})"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }));
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["reason"].AsString(), "exited");
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["exit_code"].AsInteger(), 3);
}

TEST_F(BridgeIPCTest, AChildThatDropsItsConnectionIsReportedAndEnded) {
  const int64_t pid = StartChild();
  ASSERT_GT(pid, 0);
  ASSERT_EQ(service_->SendIPCMessage("test:close", "{}"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }));
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["reason"].AsString(), "disconnected");
  EXPECT_FALSE(service_->IsProcessRunning(target_));
  // The host ends a process it can no longer talk to.
  EXPECT_TRUE(WaitFor([&] { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }));
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(recorder_.ExitsOf(target_).size(), 1u);
}

TEST_F(BridgeIPCTest, AHungChildIsKilledAfterItsAnrTimeout) {
  const int64_t pid = StartChild("", "400");
  ASSERT_GT(pid, 0);
  // Answering pings keeps it alive well past the time-out.
  WaitFor([] { return false; }, 1200);
  ASSERT_TRUE(recorder_.ExitsOf(target_).empty());
  ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGSTOP), 0);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }, 5000));
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["reason"].AsString(), "not_responding");
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["signal"].AsInteger(), SIGKILL);
}

TEST_F(BridgeIPCTest, MessagesSentBeforeTheChildConnectsWaitForIt) {
  ASSERT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage, CreateRequest(kChild, "").ToStyledString()),
            IBridgeIPCService::kOk);
  ASSERT_EQ(service_->SendIPCMessage("test:echo", R"({"early":1})"), IBridgeIPCService::kOk);
  ASSERT_EQ(service_->SendIPCMessage("test:echo", R"({"early":2})"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return recorder_.Count("test:echo_reply") == 2; }));
  EXPECT_EQ(recorder_.Named("test:echo_reply")[0].json()["early"].AsInteger(), 1);
  EXPECT_EQ(recorder_.Named("test:echo_reply")[1].json()["early"].AsInteger(), 2);
}

TEST_F(BridgeIPCTest, FramesWrittenInSmallPiecesArriveWhole) {
  ASSERT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage,
                                     CreateRequest(kChild, "--mode=dribble").ToStyledString()),
            IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return recorder_.Count("test:dribbled") == 2; }));
  EXPECT_EQ(recorder_.Named("test:dribbled")[0].json()["payload"].AsString(), std::string(300 * 1000, 'd'));
  EXPECT_EQ(recorder_.Named("test:dribbled")[1].json()["payload"].AsString(), "second");
}

TEST_F(BridgeIPCTest, CreateFailuresAreAnswered) {
  ASSERT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage,
                                     CreateRequest("/nonexistent/qr-program", "").ToStyledString()),
            IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.creates.empty(); }));
  EXPECT_EQ(recorder_.creates[0]["target"].AsString(), target_);
  EXPECT_EQ(recorder_.creates[0]["errorcode"].AsInteger(), ENOENT);
  EXPECT_FALSE(service_->IsProcessRunning(target_));

  // A second start of a running target is refused, and the first one keeps running.
  ASSERT_GT(StartChild(), 0);
  ASSERT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage, CreateRequest(kChild, "").ToStyledString()),
            IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return recorder_.creates.size() == 3; }));
  EXPECT_EQ(recorder_.creates[2]["errorcode"].AsInteger(), EEXIST);
  EXPECT_TRUE(service_->IsProcessRunning(target_));

  EXPECT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage, "not json"),
            IBridgeIPCService::kInvalidCreateRequest);
  EXPECT_EQ(service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage, CreateRequest("relative/prog", "").ToStyledString()),
            IBridgeIPCService::kInvalidCreateRequest);
  EXPECT_EQ(service_->SendIPCMessage("", "{}"), IBridgeIPCService::kInvalidMessage);
  EXPECT_EQ(service_->SendIPCMessage("bridge:ping", "{}"), IBridgeIPCService::kInvalidMessage);
}

TEST_F(BridgeIPCTest, AnUnregisteredDelegateHearsNothingMore) {
  Recorder other;
  service_->RegisterEventDelegate(&other, {"test:echo_reply"});
  ASSERT_GT(StartChild(), 0);
  ASSERT_EQ(service_->SendIPCMessage("test:echo", "{}"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return other.Count("test:echo_reply") == 1; }));
  EXPECT_TRUE(other.Named("test:ready").empty());  // not a name it registered
  service_->UnregisterEventDelegate(&other);
  ASSERT_EQ(service_->SendIPCMessage("test:echo", "{}"), IBridgeIPCService::kOk);
  ASSERT_TRUE(WaitFor([&] { return recorder_.Count("test:echo_reply") == 2; }));
  EXPECT_EQ(other.events.size(), 1u);
}

TEST_F(BridgeIPCTest, TranscodeProcessStatusPluginFollowsTheTranscoderTarget) {
  EXPECT_EQ(kovani_common::utils::record::GetTranscodeExecuteFilePath(), std::string(QUICKREC_BIN_DIR) + "/qr-transcoder");
  std::shared_ptr<kovanisdk::ITranscodeProcessStatus> status;
  ASSERT_TRUE(kovanisdk::plugin::QueryPluginInterface(kovanisdk::ITranscodeProcessStatus::kModuleId,
                                                      kovanisdk::ITranscodeProcessStatus::kInterfaceName, &status));
  EXPECT_FALSE(status->IsTranscodeProcessRunning());
  EXPECT_FALSE(status->EndTranscodeProcess());
  target_ = kovani_common::utils::record::GetTranscodeTargetName();
  ASSERT_GT(StartChild(), 0);
  EXPECT_TRUE(status->IsTranscodeProcessRunning());
  EXPECT_TRUE(status->EndTranscodeProcess());
  ASSERT_TRUE(WaitFor([&] { return !recorder_.ExitsOf(target_).empty(); }));
  EXPECT_EQ(recorder_.ExitsOf(target_)[0]["reason"].AsString(), "ended");
  EXPECT_FALSE(status->IsTranscodeProcessRunning());
}

// The child's client library against a socket the test writes to by hand.
class ClientRecorder : public kovanisdk::bridge::BridgeIPCClient::Delegate {
 public:
  void OnBridgeMessage(const std::string& name, const std::string& text) override {
    std::lock_guard lock(mutex);
    messages.emplace_back(name, text);
    changed.notify_all();
  }
  void OnBridgeDisconnected() override {
    std::lock_guard lock(mutex);
    disconnected = true;
    changed.notify_all();
  }
  bool WaitFor(const std::function<bool()>& done) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(20), done);
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<std::string, std::string>> messages;
  bool disconnected = false;
};

TEST(BridgeIPCClientTest, ReadsFramesInPiecesAnswersPingsAndReportsTheEnd) {
  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  ClientRecorder recorder;
  auto client = kovanisdk::bridge::BridgeIPCClient::FromConnectedSocket(fds[0], &recorder);
  ASSERT_TRUE(client);
  const std::string big(1024 * 1024, 'b');
  const std::string stream = kovanisdk::bridge::EncodeFrame("one", "1") +
                             kovanisdk::bridge::EncodeFrame(kovanisdk::bridge::kPingName, "42") +
                             kovanisdk::bridge::EncodeFrame("big", big) + kovanisdk::bridge::EncodeFrame("two", "2");
  std::mt19937 random(11);
  for (size_t pos = 0; pos < stream.size();) {
    const size_t piece = std::min<size_t>(1 + random() % 7, stream.size() - pos);
    ASSERT_EQ(::send(fds[1], stream.data() + pos, piece, MSG_NOSIGNAL), static_cast<ssize_t>(piece));
    pos += piece;
    if (pos > 200 && pos < stream.size() - 200) {
      // Bulk of the big frame in larger pieces, to keep the test short.
      const size_t bulk = std::min<size_t>(50'000, stream.size() - 200 - pos);
      ASSERT_EQ(::send(fds[1], stream.data() + pos, bulk, MSG_NOSIGNAL), static_cast<ssize_t>(bulk));
      pos += bulk;
    }
  }
  ASSERT_TRUE(recorder.WaitFor([&] { return recorder.messages.size() == 3; }));
  EXPECT_EQ(recorder.messages[0], std::make_pair(std::string("one"), std::string("1")));
  EXPECT_TRUE(recorder.messages[1].second == big);
  EXPECT_EQ(recorder.messages[2], std::make_pair(std::string("two"), std::string("2")));

  // The ping was answered by the client itself and never reached the delegate.
  kovanisdk::bridge::BridgeFrameReader reader;
  kovanisdk::bridge::BridgeFrame frame;
  char buffer[256];
  while (reader.Next(&frame) != kovanisdk::bridge::BridgeFrameReader::Status::kFrame) {
    const ssize_t n = ::recv(fds[1], buffer, sizeof buffer, 0);
    ASSERT_GT(n, 0);
    reader.Append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(frame.name, kovanisdk::bridge::kPongName);
  EXPECT_EQ(frame.text, "42");

  EXPECT_TRUE(client->Send("from_child", "x"));
  EXPECT_FALSE(client->Send("bridge:hello", "x"));
  ::close(fds[1]);
  ASSERT_TRUE(recorder.WaitFor([&] { return recorder.disconnected; }));
  EXPECT_FALSE(client->Send("late", "x"));
}

}  // namespace
