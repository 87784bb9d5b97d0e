// The transcode process's events as the module receives them: a byte stream cut into frames, each
// frame with a registered name handed to the module's transcode service the way the host's bridge
// service does. Every event must reach exactly one handler of its delegate, whatever its JSON.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/bridge/bridge_frame.h"
#include "module/quick_record/transcode/fake_transcode_bridge.h"
#include "module/quick_record/transcode/quick_record_transcode_service.h"

namespace {

using base::json::JsonValue;
using quick_record::QuickRecordTranscodeService;

// Counts the calls an event can cause; the process-started ones are counted apart.
class CountingDelegate : public quick_record::IQuickRecordTranscodeDelegate,
                         public quick_record::ILocalUploadProcessDelegate {
 public:
  void OnTranscodeStarted(const std::string&) override { ++started; }
  void OnTranscodeRecordFileSizeChanged(const std::string&, int64_t) override { ++events; }
  void OnTranscodeProgress(const std::string&, const std::string&, double, bool, bool) override { ++events; }
  void OnTranscodeFinish(const std::string&, int32_t, int64_t) override { ++events; }
  void OnTranscodeStartUploadPart(const std::string&, const std::string&, const std::string&) override { ++events; }
  void OnTransocdeUploadFileFinished(const quick_record::TranscodeUploadFileInfo&) override { ++events; }
  void OnTranscodeUploadFileFailed(const quick_record::TranscodeUploadError&) override { ++events; }
  void OnTranscodeProcessCreateTimeout() override { std::abort(); }
  void OnTranscodeProcessCreateFailed(int32_t) override { std::abort(); }
  void OnTranscodeProcessExit() override { std::abort(); }
  void OnTranscodeDataReport(const JsonValue&) override { ++events; }
  void OnSubprocessStarted() override { ++started; }
  void OnSubprocessCreateTimeout() override { std::abort(); }
  void OnSubprocessCreateFailed(int32_t) override { std::abort(); }
  void OnSubprocessExit() override { std::abort(); }
  void OnLocalUploadComplete(const std::string&, const std::string&) override { ++events; }
  void OnLocalUploadProgress(const std::string&, const std::string&, int64_t, int64_t) override { ++events; }
  void OnLocalUploadError(const std::string&, const std::string&, const std::string&, int32_t, const std::string&,
                          int32_t, int32_t) override {
    ++events;
  }
  void OnLocalUploadStarted(const std::string&, const std::string&) override { ++events; }

  size_t events = 0;
  size_t started = 0;
};

struct Module {
  Module() {
    service = std::make_shared<QuickRecordTranscodeService>(bridge, status);
    service->SetTranscodeDelegate(&delegate);
    service->SetLocalUploadDelegate(&delegate);
  }
  base::test::TestTaskEnvironment env;
  host::app::HostApplication app;
  std::shared_ptr<quick_record::testing::FakeTranscodeBridge> bridge =
      std::make_shared<quick_record::testing::FakeTranscodeBridge>();
  std::shared_ptr<quick_record::testing::FakeProcessStatus> status =
      std::make_shared<quick_record::testing::FakeProcessStatus>();
  CountingDelegate delegate;
  std::shared_ptr<QuickRecordTranscodeService> service;
};

Module& TheModule() {
  static Module* module = new Module;
  return *module;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kovanisdk::bridge::BridgeFrame;
  using kovanisdk::bridge::BridgeFrameReader;
  if (size == 0) return 0;
  static const std::vector<std::string> registered = QuickRecordTranscodeService::EventNames();
  Module& m = TheModule();
  m.delegate.events = m.delegate.started = 0;
  size_t dispatched = 0;
  // The first byte picks the piece size the stream arrives in.
  const size_t piece = 1 + data[0] % 64;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  BridgeFrameReader reader;
  BridgeFrame frame;
  BridgeFrameReader::Status status = BridgeFrameReader::Status::kNeedMore;
  for (size_t at = 0; at < size - 1 && status != BridgeFrameReader::Status::kError; at += piece) {
    reader.Append(bytes + at, std::min(piece, size - 1 - at));
    while ((status = reader.Next(&frame)) == BridgeFrameReader::Status::kFrame) {
      if (frame.name.rfind(kovanisdk::bridge::kReservedPrefix, 0) == 0) continue;
      if (std::find(registered.begin(), registered.end(), frame.name) == registered.end()) continue;
      if (frame.name != "local_record:transcode_process_started") ++dispatched;
      m.service->OnBridgeIPCEvent(frame.name, frame.text);
      m.env.RunUntilIdle();
    }
  }
  if (m.delegate.events != dispatched || m.delegate.started > 2) std::abort();
  return 0;
}
