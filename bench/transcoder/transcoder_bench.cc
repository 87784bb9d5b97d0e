// qr-transcoder next to the reference tools, on raw streams of a synthetic 1080p30 recording
// (written once with the media engine's tracks and kept in the data directory):
//   remux of 60 s                  RecordingRemuxer vs `ffmpeg -c copy` of the same streams
//   upload of a 500 MiB file       MultipartUpload vs `curl -T`, to the same qr-backend
//   tail after the recording ends  the real process over the bridge, uploading while the
//                                  recording grows (1 min at real time, 10 min replayed faster):
//                                  "recording_finish" -> "upload_file_complete"
//   CPU per minute of recording    the process's user+system time while following the 1 min
// Prints bench/run rows: "name | ours | reference | ratio | note".
//
//   transcoder_bench [--data DIR] [--upload-mib N] [--upload-rounds R] [--part-mib P]
//                    [--parallel-parts C] [--long-minutes M] [--replay-speed S]
//                    [--rows remux,upload,live]

extern "C" {
#include <libavutil/log.h>
}

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backend_client.h"
#include "backend_process.h"
#include "host/base/json/json_value.h"
#include "host/base/threading/host_loopers.h"
#include "host/media/stream/raw_stream_reader.h"
#include "host/media/stream/raw_stream_writer.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "transcoder/multipart_upload.h"
#include "transcoder/recording_remuxer.h"
#include "transcoder/testing/synthetic_recording.h"

namespace {

using base::json::JsonValue;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void Row(const std::string& name, const std::string& ours, const std::string& reference, const std::string& ratio,
         const std::string& note) {
  std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), ours.c_str(), reference.c_str(), ratio.c_str(),
              note.c_str());
  std::fflush(stdout);
}

std::string Fixed(double value, int digits = 2) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

bool RunQuiet(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The 60 s 1080p30 source, made once.
std::string SourceRecording(const std::string& data_dir) {
  const std::string base = data_dir + "/source-1080p30-60s";
  if (util::file::GetFileLength(base + ".kovtaidx") > 0) return base;
  std::fprintf(stderr, "transcoder_bench: writing the 60 s 1080p30 source once (%s)\n", base.c_str());
  qr_transcoder::testing::SyntheticRecording recording;
  qr_transcoder::testing::SyntheticRecording::Options options;
  options.width = 1920;
  options.height = 1080;
  for (const char* ending : {".kovtv", ".kovtvidx", ".kovta", ".kovtaidx"}) util::file::Remove(base + ending);
  if (!recording.Open(base, options) || !recording.RecordSegment(60000) || !recording.Finish()) return "";
  return base;
}

void RemuxRows(const std::string& source, const std::string& work) {
  qr_transcoder::RemuxPaths paths{source + ".kovtv", source + ".kovtvidx", source + ".kovta",
                                  source + ".kovtaidx", work + "/ours.mp4", ""};
  double ours = 1e9;
  double reference = 1e9;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    qr_transcoder::RecordingRemuxer remuxer(paths);
    if (remuxer.Pass(true) != 0) return Row("remux 60 s 1080p30", "FAILED", "", "", "");
    ours = std::min(ours, SecondsSince(start));
    start = Clock::now();
    // The data files are the bare streams: the index only tells where each frame is.
    if (!RunQuiet("ffmpeg -y -v error -f h264 -framerate 30 -i '" + source + ".kovtv' -f aac -i '" + source +
                  ".kovta' -c copy '" + work + "/ffmpeg.mp4'")) {
      return Row("remux 60 s 1080p30", Fixed(ours, 3) + " s", "ffmpeg FAILED", "", "");
    }
    reference = std::min(reference, SecondsSince(start));
  }
  Row("remux 60 s 1080p30 (best of 3)", Fixed(ours, 3) + " s", Fixed(reference, 3) + " s",
      Fixed(reference / ours) + "x", "ffmpeg -c copy time / ours; target >= 1.0");
}

double ProcessCpuSeconds(int64_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  double utime = 0;
  double stime = 0;
  for (int i = 3; i < 14; ++i) fields >> skip;
  fields >> utime >> stime;
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// CPU seconds of this process and of its waited-for children (curl).
double OwnCpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Store {
  qr_backend::testing::BackendProcess backend;
  qr_backend::testing::Account account;
  explicit Store(const std::string& dir) : backend(dir) {}
  nlohmann::json Start() const {
    return qr_backend::testing::ApiClient(backend.api_port(), account)
        .Post("/v2/record/control/get-start-data", qr_backend::testing::StartBody("bench"))["data"];
  }
};

qr_transcoder::CosGrant GrantOf(const nlohmann::json& start) {
  qr_transcoder::CosGrant grant;
  grant.url = start.value("video_cos_key", "");
  grant.session_token = start.value("video_session_token", "");
  for (const auto& [verb, text] : start["video_auth_info"].items()) grant.auth[verb] = text.get<std::string>();
  return grant;
}

struct NoListener : qr_transcoder::MultipartUpload::Listener {
  void OnPartStarted(int) override {}
  void OnPartUploaded(const qr_transcoder::CosPart&) override {}
  void OnStateChanged() override {}
};

// One upload of the file: seconds, and CPU seconds of the client and of the store.
struct UploadRun {
  double seconds = -1;
  double client_cpu = 0;
  double store_cpu = 0;
};

UploadRun OurUpload(Store& store, const std::string& file, uint64_t size, const qr_transcoder::UploadPolicy& policy,
                    std::string* error) {
  const auto start_data = store.Start();
  UploadRun run;
  const double store_cpu = ProcessCpuSeconds(store.backend.pid());
  const double own_cpu = OwnCpuSeconds(RUSAGE_SELF);
  const auto start = Clock::now();
  qr_transcoder::UploadState state;
  NoListener listener;
  qr_transcoder::MultipartUpload upload(file, &state, policy, {}, nullptr, &listener);
  upload.SetGrant(GrantOf(start_data));
  if (upload.Start() != 0 || upload.Finish(size) != 0) {
    *error = upload.error_message();
    return run;
  }
  run.seconds = SecondsSince(start);
  run.client_cpu = OwnCpuSeconds(RUSAGE_SELF) - own_cpu;
  run.store_cpu = ProcessCpuSeconds(store.backend.pid()) - store_cpu;
  return run;
}

// `curl -T`; with `content_md5` the file is hashed first and the digest sent as Content-MD5, the
// same work a part upload does, as one command timed whole.
UploadRun CurlUpload(Store& store, const std::string& file, bool content_md5) {
  const auto start_data = store.Start();
  std::string command = "curl -sS -o /dev/null -T '" + file + "'";
  if (content_md5) command += " -H \"Content-MD5: $(openssl dgst -md5 -binary '" + file + "' | base64)\"";
  for (const auto& [name, value] : qr_backend::testing::ObjectClient::Auth(start_data, "put")) {
    command += " -H '" + name + ": " + value + "'";
  }
  UploadRun run;
  const double store_cpu = ProcessCpuSeconds(store.backend.pid());
  const double curl_cpu = OwnCpuSeconds(RUSAGE_CHILDREN);
  const auto start = Clock::now();
  if (!RunQuiet(command + " '" + start_data.value("video_cos_key", "") + "'")) return run;
  run.seconds = SecondsSince(start);
  run.client_cpu = OwnCpuSeconds(RUSAGE_CHILDREN) - curl_cpu;
  run.store_cpu = ProcessCpuSeconds(store.backend.pid()) - store_cpu;
  return run;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  in >> one;
  return one;
}

// `rounds` pairs of uploads of the same file, the order inside a pair alternating, so that
// neither side always meets the disk still writing back what the other left behind.
void UploadRows(Store& store, const std::string& work, int64_t size_mib, int rounds,
                const qr_transcoder::UploadPolicy& policy) {
  const std::string file = work + "/upload.bin";
  {
    std::ofstream out(file, std::ios::binary);
    std::vector<uint64_t> block((1 << 20) / 8);
    uint64_t state = 0x9e3779b97f4a7c15ull;
    for (int64_t i = 0; i < size_mib; ++i) {
      for (auto& word : block) word = (state ^= state << 13, state ^= state >> 7, state ^= state << 17);
      out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
    }
  }
  // The file is written back before any timing: its dirty pages would otherwise compete with
  // the store's writes of the first run only.
  RunQuiet("sync '" + file + "'");
  const double mib = static_cast<double>(size_mib);
  const uint64_t size = static_cast<uint64_t>(size_mib) << 20;
  const std::string name = "upload " + std::to_string(size_mib) + " MiB to qr-backend";
  const std::string setup = std::to_string(policy.part_size >> 20) + " MiB parts, " +
                            std::to_string(policy.parallel) + " connections";
  std::vector<double> ratios;
  std::vector<double> hashed_ratios;
  for (int round = 0; round < rounds; ++round) {
    const std::string load = LoadAverage();
    std::string error;
    UploadRun ours;
    UploadRun curl;
    if (round % 2 == 0) {
      ours = OurUpload(store, file, size, policy, &error);
      curl = CurlUpload(store, file, false);
    } else {
      curl = CurlUpload(store, file, false);
      ours = OurUpload(store, file, size, policy, &error);
    }
    const UploadRun hashed = CurlUpload(store, file, true);
    if (ours.seconds < 0 || curl.seconds < 0 || hashed.seconds < 0) {
      return Row(name, ours.seconds < 0 ? "FAILED" : "", curl.seconds < 0 ? "curl FAILED" : "", "", error);
    }
    ratios.push_back(curl.seconds / ours.seconds);
    Row(name + ", round " + std::to_string(round + 1), Fixed(mib / ours.seconds, 1) + " MiB/s",
        Fixed(mib / curl.seconds, 1) + " MiB/s", Fixed(ratios.back()) + "x",
        std::string(round % 2 == 0 ? "ours first" : "curl first") + "; load " + load + "; CPU s client/store: ours " +
            Fixed(ours.client_cpu) + "/" + Fixed(ours.store_cpu) + ", curl " + Fixed(curl.client_cpu) + "/" +
            Fixed(curl.store_cpu) + "; curl -T with Content-MD5 (openssl dgst first) " +
            Fixed(mib / hashed.seconds, 1) + " MiB/s, ratio " + Fixed(hashed.seconds / ours.seconds) + "x");
    hashed_ratios.push_back(hashed.seconds / ours.seconds);
  }
  std::sort(ratios.begin(), ratios.end());
  std::sort(hashed_ratios.begin(), hashed_ratios.end());
  Row(name + ", median of " + std::to_string(rounds), "", "", Fixed(ratios[ratios.size() / 2]) + "x",
      "ratio curl time / ours, spread " + Fixed(ratios.front()) + "-" + Fixed(ratios.back()) + "x; " + setup +
          "; target >= 0.9; against curl with Content-MD5 " + Fixed(hashed_ratios[hashed_ratios.size() / 2]) +
          "x, spread " + Fixed(hashed_ratios.front()) + "-" + Fixed(hashed_ratios.back()) + "x");
  util::file::Remove(file);
}

// Copies the source's frames into a new recording as a recorder would write them, `loops` times
// over (the timeline runs on), `speed` times faster than real time.
class Replay {
 public:
  Replay(std::string source, std::string base, int loops, double speed)
      : source_(std::move(source)), base_(std::move(base)), loops_(loops), speed_(speed) {}
  void Run() {
    kvp::av::RawStreamReader video;
    kvp::av::RawStreamReader audio;
    kvp::av::RawStreamWriter video_out;
    kvp::av::RawStreamWriter audio_out;
    if (!video.Open(source_ + ".kovtv") || !audio.Open(source_ + ".kovta") ||
        video_out.Open(base_ + ".kovtv", video.header()).code != 0 ||
        audio_out.Open(base_ + ".kovta", audio.header()).code != 0) {
      return;
    }
    util::file::WriteFileAtomically(base_ + ".kovtc", "bench cover");
    const int64_t loop_us = std::max(video.EndUs(), audio.EndUs());
    const auto start = Clock::now();
    std::vector<uint8_t> frame;
    for (int loop = 0; loop < loops_; ++loop) {
      size_t v = 0;
      size_t a = 0;
      while (v < video.records().size() || a < audio.records().size()) {
        const bool take_video = a >= audio.records().size() ||
                                (v < video.records().size() && video.records()[v].pts_us <= audio.records()[a].pts_us);
        kvp::av::RawStreamReader& in = take_video ? video : audio;
        kvp::av::RawStreamWriter& out = take_video ? video_out : audio_out;
        const size_t i = take_video ? v++ : a++;
        const auto& r = in.records()[i];
        const int64_t pts = r.pts_us + loop * loop_us;
        std::this_thread::sleep_until(start + std::chrono::microseconds(static_cast<int64_t>(pts / speed_)));
        in.ReadFrame(i, &frame);
        out.Write(frame.data(), frame.size(), pts, r.duration_us, r.flags);
      }
    }
    video_out.Sync();
    audio_out.Sync();
    done_ = true;
  }
  bool done() const { return done_; }

 private:
  std::string source_;
  std::string base_;
  int loops_;
  double speed_;
  std::atomic<bool> done_{false};
};

struct Events : kovanisdk::IBridgeIPCEventDelegate {
  void OnBridgeIPCEvent(const std::string& name, const std::string& data) override {
    names.push_back(name);
    last[name] = JsonValue::Parse(data);
  }
  void OnSubprocessCreate(const std::string& result) override { pid = JsonValue::Parse(result)["pid"].AsInteger(); }
  void OnSubprocessExit(const std::string&) override {}
  std::vector<std::string> names;
  std::map<std::string, JsonValue> last;
  int64_t pid = 0;
};

// One recording uploaded while it grows through the real process; answers the tail in seconds
// and the process's CPU seconds, or a negative tail on failure.
std::pair<double, double> LiveUpload(Store& store, const std::string& source, const std::string& work,
                                     const std::string& name, int loops, double speed) {
  base::threading::HostLoopers loopers;
  auto service = kovanisdk::utils::service::GetBridgeIPCService();
  Events events;
  service->RegisterEventDelegate(&events, {"local_record:transcode_process_started", "quick_record:transcode_finish",
                                           "quick_record:upload_file_complete", "quick_record:upload_file_error",
                                           "quick_record::data_report"});
  const std::string target = kovani_common::utils::record::GetTranscodeTargetName();
  const std::string program = kovani_common::utils::record::GetTranscodeExecuteFilePath();
  JsonValue create = JsonValue::Object();
  create.SetJsonObject("--originalcmd", "--shell=\"" + program + "\" --uid=YmVuY2g=");
  create.SetJsonObject("--shell", program);
  create.SetJsonObject("--target", target);
  create.SetJsonObject("--detach", "0");
  create.SetJsonObject("--anrtimeout", "50000");
  create.SetJsonObject("--pid", "");
  std::pair<double, double> result{-1, 0};
  const auto has = [&](const std::string& event) { return events.last.count(event) > 0; };
  service->SendIPCMessage(kovanisdk::IBridgeIPCService::kCreateSubprocessMessage, create.ToStyledString());
  if (loopers.RunMainLoopUntil([&] { return has("local_record:transcode_process_started"); }, 20000)) {
    const std::string base = work + "/" + name;
    const auto start = store.Start();
    JsonValue task = JsonValue::Object();
    task.SetJsonObject("instance_id", name);
    task.SetJsonObject("in_video_file", base + ".kovtv");
    task.SetJsonObject("in_audio_file", base + ".kovta");
    task.SetJsonObject("output_file", base + ".mp4");
    JsonValue auth = JsonValue::Parse(
        nlohmann::json{{"instance_id", name},
                       {"cos_url", start["video_cos_key"]},
                       {"record_id", start["record_id"]},
                       {"video_session_token", start["video_session_token"]},
                       {"video_auth_info", start["video_auth_info"]},
                       {"cover_cos_key", start["cover_default_cos_key_v1"]},
                       {"cover_session_token", start["cover_session_token"]},
                       {"cover_auth_info", start["cover_default_auth_info"]}}
            .dump());
    Replay replay(source, base, loops, speed);
    std::thread writer([&] { replay.Run(); });
    service->SendIPCMessage("quick_record:start_transcode", task.ToStyledString());
    service->SendIPCMessage("quick_record:upload_file_auth", auth.ToStyledString());
    loopers.RunMainLoopUntil([&] { return replay.done(); }, 3'600'000);
    writer.join();
    const auto finished = Clock::now();
    service->SendIPCMessage("quick_record:recording_finish", R"({"instance_id": ")" + name + "\"}");
    if (loopers.RunMainLoopUntil([&] { return has("quick_record:upload_file_complete") || has("quick_record:upload_file_error"); },
                                 600000) &&
        has("quick_record:upload_file_complete")) {
      result = {SecondsSince(finished), 0};
      // The cover goes up after the video; the process is ended only then.
      loopers.RunMainLoopUntil([&] { return has("quick_record::data_report"); }, 60000);
      result.second = ProcessCpuSeconds(events.pid);
    }
  }
  service->EndProcess(target);
  loopers.RunMainLoopUntil([&] { return !service->IsProcessRunning(target); }, 10000);
  service->UnregisterEventDelegate(&events);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_dir = QUICKREC_BIN_DIR "/../bench-data/transcoder";
  int64_t upload_mib = 500;
  int upload_rounds = 3;
  qr_transcoder::UploadPolicy policy;
  int long_minutes = 10;
  double replay_speed = 20;
  std::string rows = "remux,upload,live";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--data") data_dir = argv[i + 1];
    else if (name == "--upload-mib") upload_mib = std::stoll(argv[i + 1]);
    else if (name == "--upload-rounds") upload_rounds = std::max(1, std::stoi(argv[i + 1]));
    else if (name == "--part-mib") policy.part_size = std::stoull(argv[i + 1]) << 20;
    else if (name == "--parallel-parts") policy.parallel = std::max(1, std::stoi(argv[i + 1]));
    else if (name == "--long-minutes") long_minutes = std::stoi(argv[i + 1]);
    else if (name == "--replay-speed") replay_speed = std::stod(argv[i + 1]);
    else if (name == "--rows") rows = argv[i + 1];
    else return std::fprintf(stderr, "usage: transcoder_bench [--data DIR] [--upload-mib N] [--upload-rounds R] [--part-mib P] [--parallel-parts C] [--long-minutes M] [--replay-speed S] [--rows remux,upload,live]\n"), 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  util::file::MakePath(data_dir);
  const std::string source = SourceRecording(data_dir);
  if (source.empty()) return std::fprintf(stderr, "transcoder_bench: cannot write the source\n"), 1;
  util::file::ScopedTempDir work;
  const auto wanted = [&](const char* row) { return rows.find(row) != std::string::npos; };
  if (wanted("remux")) RemuxRows(source, work.path());

  Store store(work.Child("backend"));
  if (!store.backend.Start({"--quiet"})) return std::fprintf(stderr, "transcoder_bench: qr-backend did not start\n"), 1;
  store.account = qr_backend::testing::AdminClient(store.backend.api_port(), store.backend.admin_token()).CreateUser("bench");
  if (wanted("upload")) UploadRows(store, work.path(), upload_mib, upload_rounds, policy);
  if (!wanted("live")) return store.backend.Stop() == 0 ? 0 : 1;

  const auto [tail_1, cpu_1] = LiveUpload(store, source, work.path(), "live-1min", 1, 1.0);
  Row("tail: finish -> uploaded, 1 min real time", tail_1 < 0 ? "FAILED" : Fixed(tail_1, 3) + " s", "1 s", tail_1 > 0 ? Fixed(1.0 / tail_1) + "x" : "",
      "target < 1 s; 1080p30 synthetic");
  Row("CPU per minute of recording (following)", Fixed(cpu_1, 2) + " s", "60 s", Fixed(100.0 * cpu_1 / 60.0, 1) + " %",
      "process user+sys over the 1 min, remux and upload");
  const auto [tail_n, cpu_n] = LiveUpload(store, source, work.path(), "live-long", long_minutes, replay_speed);
  Row("tail: finish -> uploaded, " + std::to_string(long_minutes) + " min at " + Fixed(replay_speed, 0) + "x",
      tail_n < 0 ? "FAILED" : Fixed(tail_n, 3) + " s", "1 s", tail_n > 0 ? Fixed(1.0 / tail_n) + "x" : "",
      "target < 1 s, flat in length; CPU " + Fixed(cpu_n, 1) + " s");
  store.backend.Stop();
  return 0;
}
