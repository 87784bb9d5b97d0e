#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "backend_fixture.h"
#include "host/base/json/json_value.h"
#include "host/base/threading/host_loopers.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "transcoder/testing/synthetic_recording.h"

namespace qr_transcoder::testing {

// What the host's bridge service delivered, in order; everything arrives on the main looper,
// which the test thread runs.
class EventLog : public kovanisdk::IBridgeIPCEventDelegate {
 public:
  struct Event {
    std::string name;
    base::json::JsonValue json;
  };

  void OnBridgeIPCEvent(const std::string& name, const std::string& data) override;
  void OnSubprocessCreate(const std::string& result) override;
  void OnSubprocessExit(const std::string& result) override;

  std::vector<Event> Named(const std::string& name, const std::string& instance_id = "") const;
  // Index of the first event of that name (and instance) at or after `from`, or -1.
  int Find(const std::string& name, const std::string& instance_id = "", size_t from = 0) const;

  std::vector<Event> events;
  std::vector<base::json::JsonValue> creates;
  std::vector<base::json::JsonValue> exits;
};

// qr-backend (with alice and bob, from the back end's test kit) and qr-transcoder started the
// way the host starts it: "kovani:create_sub_process" through the bridge IPC service, with the
// program path and target name of the host's configuration.
class TranscoderTest : public qr_backend::testing::BackendTest {
 protected:
  static constexpr int64_t kWaitMs = 30000;

  void SetUp() override;
  void TearDown() override;

  // Starts the process with `extra_args` and waits for "local_record:transcode_process_started";
  // returns its pid (0 on failure). The part size is left at the process's default, as the host
  // leaves it, so the tests see the parts a user's recording gets. Its local uploads keep their
  // state in LocalStateDir().
  int64_t StartTranscoder(const std::string& extra_args = "--poll-ms=50");
  std::string LocalStateDir() const { return dir_.path() + "/transcoder-state"; }
  // SIGKILL, then waits for the exit report.
  void KillTranscoder();
  bool TranscoderRunning() const;

  void Send(const std::string& name, const base::json::JsonValue& fields);
  void Send(const std::string& name, const std::string& text);
  bool WaitFor(const std::function<bool()>& done, int64_t timeout_ms = kWaitMs);
  // Waits for the first event of that name and instance at or after index `from`; its index, -1
  // on time-out.
  int WaitForEvent(const std::string& name, const std::string& instance_id, size_t from = 0,
                   int64_t timeout_ms = kWaitMs);
  const base::json::JsonValue& EventAt(int index) const { return log_.events.at(static_cast<size_t>(index)).json; }

  // 640x360; with `noise` about 2 MB a second, so a few seconds make several 5 MiB parts.
  static SyntheticRecording::Options RecordingOptions(bool noise);
  // Writes a recording under the test directory; its base path (".kovtv" etc. appended).
  std::string Record(const std::string& name, const std::vector<int64_t>& segments_ms, bool noise = true);
  std::string Record(const std::string& name, const std::vector<int64_t>& segments_ms,
                     const SyntheticRecording::Options& options);
  // "quick_record:start_transcode" for the recording at `base`, writing `base`.mp4.
  base::json::JsonValue StartMessage(const std::string& instance_id, const std::string& base, bool complete) const;
  // "quick_record:upload_file_auth" from a start answer of the back end.
  base::json::JsonValue AuthMessage(const std::string& instance_id, const nlohmann::json& start) const;

  std::string LocalMd5(const std::string& path) const;
  // MD5 of the object (empty when it cannot be read).
  std::string ObjectMd5(const nlohmann::json& start, const std::string& which = "video");
  // Part uploads the store accepted for the video object of `start`, from its request log.
  int AcceptedPartPuts(const nlohmann::json& start) const;
  void ArmFault(const nlohmann::json& rule);
  void ClearFaults();

  base::threading::HostLoopers loopers_;
  std::shared_ptr<kovanisdk::IBridgeIPCService> service_;
  EventLog log_;
  std::string target_;
  int64_t pid_ = 0;
};

}  // namespace qr_transcoder::testing
