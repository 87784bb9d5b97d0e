#include "apps/qrhost/qrhost_record_raw.h"

#include <cmath>
#include <ctime>
#include <iomanip>

#include "host/base/threading/clock.h"
#include "host/media/stream/muxer_media_info.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/record/recorder_plugin_calls.h"
#include "host/util/file.h"

namespace qrhost {
namespace {

using base::variant::Variant;
namespace calls = kovanisdk::record;

constexpr char kPluginModule[] = "halvard_kovani_quick_record";
constexpr char kRecorderInterface[] = "plugin:kovaniing_quick_recorder_service";

std::string NewOutputDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[64];
  std::strftime(name, sizeof name, "quickrec-raw-%Y%m%d-%H%M%S", &local);
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name;
}

int64_t DurationMs(const std::string& path) {
  muxer_param* info = muxer_media_info(path.c_str());
  const int64_t duration = muxer_param_get_int32(info, "duration", -1);
  muxer_param_free(info);
  return duration;
}

void PrintFile(std::ostream& out, const char* what, const std::string& path) {
  const int64_t bytes = util::file::GetFileLength(path);
  out << "  " << std::left << std::setw(6) << what << path;
  if (bytes < 0) {
    out << "  (missing)\n";
    return;
  }
  out << "  " << bytes << " bytes";
  if (std::string(what) != "cover") out << ", " << DurationMs(path) << " ms";
  out << "\n";
}

}  // namespace

int RunRecordRaw(HostSession& session, const RecordRawOptions& options, std::ostream& out, std::ostream& err) {
  std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> recorder;
  if (!kovanisdk::plugin::QueryPluginInterface(kPluginModule, kRecorderInterface, &recorder)) {
    err << "qrhost: the module has no recorder service\n";
    return 1;
  }
  const std::string dir = options.out_dir.empty() ? NewOutputDirectory() : options.out_dir;
  if (!util::file::MakePath(dir)) {
    err << "qrhost: cannot create " << dir << "\n";
    return 1;
  }

  const framework::SubscriberId subscriber = framework::NewSubscriberId();
  recorder->SubscribeEvent(calls::kRecorderEventError, subscriber, [&err](int32_t, const Variant& error) {
    err << "qrhost: recorder error " << error.GetInt32("result") << " (operation " << error.GetInt32("operate_type")
        << "): " << error.GetString("message") << "\n";
  });

  const uint32_t flags = (options.screen || !options.camera ? 1u : 0u) | (options.camera ? 2u : 0u);
  Variant args = Variant::MakeMap();
  args.Set("record_flags", flags);
  args.Set("save_dir", dir);
  args.Set("monitor_id", options.monitor_id);
  args.Set("window_id", options.window_id);
  Variant answer;
  recorder->Call(calls::kRecorderCallStart, args, &answer);
  if (!answer.GetBool("ok")) {
    recorder->UnsubscribeEvent(calls::kRecorderEventError, subscriber);
    err << "qrhost: the recording did not start\n";
    return 1;
  }
  out << "recording " << options.seconds << " s (flags " << flags << ") into " << dir << "\n";

  // Stop when the time is up, or earlier when the recorder stopped by itself (e.g. a full disk).
  const int64_t until = base::clock::SteadyMs() + static_cast<int64_t>(std::llround(options.seconds * 1000));
  session.loopers().RunMainLoopUntil(
      [&] {
        Variant status;
        recorder->Call(calls::kRecorderCallGetStatus, Variant(), &status);
        return status.GetInt32("state") == 0 || base::clock::SteadyMs() >= until;
      },
      static_cast<int64_t>(std::llround(options.seconds * 1000)) + 10'000);

  Variant status;
  recorder->Call(calls::kRecorderCallGetStatus, Variant(), &status);
  recorder->Call(calls::kRecorderCallStop, Variant(), &answer);
  Variant statistics;
  recorder->Call(calls::kRecorderCallGetStatistics, Variant(), &statistics);
  recorder->UnsubscribeEvent(calls::kRecorderEventError, subscriber);

  out << "files:\n";
  PrintFile(out, "video", status.GetString("video_path"));
  PrintFile(out, "audio", status.GetString("audio_path"));
  PrintFile(out, "cover", status.GetString("cover_path"));
  out << "statistics:\n";
  out << "  frames " << status.GetInt64("total_frames") << ", recorded " << statistics.GetString("record_total_time")
      << " ms, " << statistics.GetString("width") << "x" << statistics.GetString("height") << " at "
      << statistics.GetString("fps") << " fps\n";
  out << "play them with:\n"
      << "  ffplay -f h264 -framerate " << statistics.GetString("fps", "30") << " '" << status.GetString("video_path")
      << "'\n"
      << "  ffplay '" << status.GetString("audio_path") << "'\n";
  return 0;
}

}  // namespace qrhost
