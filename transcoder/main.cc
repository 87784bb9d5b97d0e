// qr-transcoder: the transcode and upload process the host starts through the bridge IPC
// (docs/transcoder.md). It connects back with what the host put in its environment, reports
// itself with "local_record:transcode_process_started" and serves messages until the host closes
// the connection or ends it with SIGTERM; either way every task stops with its state written.

#include <curl/curl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/base/logging/logger.h"
#include "host/sdk/bridge/bridge_ipc_client.h"
#include "transcoder/transcoder_app.h"
#include "transcoder/transcoder_options.h"
#include "transcoder/upload_state.h"

namespace {

// The host logger's own stderr sink shows levels up to 3; this one adds the levels above.
constexpr int kDefaultSinkLevel = 3;

class VerboseSink : public base::logging::StderrSink {
 public:
  using StderrSink::StderrSink;
  void Write(const base::logging::LogRecord& record) override {
    if (record.level > kDefaultSinkLevel) StderrSink::Write(record);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = qr_transcoder::TranscoderOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!options) {
    std::fprintf(stderr, "qr-transcoder: %s\n", error.c_str());
    return 2;
  }
  base::logging::SetLevel(options->log_level);
  if (options->log_level > kDefaultSinkLevel) base::logging::AddSink(std::make_shared<VerboseSink>(options->log_level));

  // Ended by a signal or by the bridge closing, both seen here; every thread inherits the mask.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGTERM);
  sigaddset(&ending, SIGINT);
  sigaddset(&ending, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  // A full disk or a file size limit must fail the write, not end the process.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  curl_global_init(CURL_GLOBAL_DEFAULT);

  qr_transcoder::UploadStateFile::RemoveAbandonedLocal(options->settings.local_state_dir,
                                                      std::filesystem::file_time_type::clock::now());
  qr_transcoder::TranscoderApp app(options->settings, [] { ::kill(::getpid(), SIGUSR1); });
  auto client = kovanisdk::bridge::BridgeIPCClient::ConnectFromEnvironment(&app);
  if (!client) {
    std::fprintf(stderr, "qr-transcoder: no bridge to connect to (start it through the host)\n");
    return 1;
  }
  app.Attach(client.get());
  if (!client->Send("local_record:transcode_process_started", "{}")) return 1;
  KLOG(6) << "transcode process started, uid " << options->uid;

  int signal_number = 0;
  sigwait(&ending, &signal_number);
  KLOG(6) << "ending on signal " << signal_number;
  // Nothing is delivered after Close, so the tasks can be ended without a message racing in.
  client->Close();
  app.Attach(nullptr);
  app.Shutdown();
  curl_global_cleanup();
  return 0;
}
