// qr-media-record: records with the host media engine for a while, as a process of its own, and
// prints what happened. The crash and disk-full tests run it as a child; the capture benchmark
// runs it side by side with ffmpeg.
//
//   qr-media-record --out BASE [--seconds S] [--mode 1|2|3] [--width W] [--height H] [--fps F]
//                   [--screen ID | --window ID] [--camera ID] [--file-size-limit BYTES] [--audio 0|1]
//
// Writes BASE.kovtv, BASE.kovta (without --audio 0) and their indexes, and BASE.kovtc. Prints,
// one per line:
//   started <steady ms>               when enable-recording returned
//   exception <code>                  for each exception the engine reported
//   late frame=<n> gap_ms=<ms> key=<0|1>   for each frame late by 100 %, at the end
//   stats frames=<n> late100=<n> first_frame_ms=<n> recorded_ms=<n> result=<code>
// Exit status 0 when the engine took the recording (also when it ended it early for a failure).

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/base/threading/clock.h"
#include "host/media/ffmpeg_media_engine.h"

namespace {

using namespace kvp::av;

class Observer : public IVideoStreamEventListener, public IMediaExceptionListener {
 public:
  explicit Observer(int fps) : late_ms_(2000 / fps) {}

  void OnVideoFrame(const VideoFrameInfo& frame) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frames_ == 0) first_write_ms_ = frame.write_ms;
    // A frame is late by 100 % when it comes two frame intervals or more after the previous one.
    if (frames_ > 0 && frame.write_ms - last_write_ms_ >= late_ms_) {
      ++late_;
      late_frames_.push_back({frames_, frame.write_ms - last_write_ms_, frame.key_frame});
    }
    last_write_ms_ = frame.write_ms;
    ++frames_;
  }
  void OnMediaException(int32_t code, const std::string&) override {
    std::printf("exception %d\n", code);
    std::fflush(stdout);
    failed_ = true;
  }

  bool failed() const { return failed_; }
  void Print(int64_t started_ms, int64_t recorded_ms, int32_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Late& late : late_frames_) {
      std::printf("late frame=%lld gap_ms=%lld key=%d\n", static_cast<long long>(late.frame),
                  static_cast<long long>(late.gap_ms), late.key ? 1 : 0);
    }
    std::printf("stats frames=%lld late100=%lld first_frame_ms=%lld recorded_ms=%lld result=%d\n",
                static_cast<long long>(frames_), static_cast<long long>(late_),
                static_cast<long long>(frames_ ? first_write_ms_ - started_ms : -1), static_cast<long long>(recorded_ms),
                result);
  }

 private:
  struct Late {
    int64_t frame;
    int64_t gap_ms;
    bool key;
  };

  const int64_t late_ms_;
  std::vector<Late> late_frames_;
  std::mutex mutex_;
  int64_t frames_ = 0;
  int64_t late_ = 0;
  int64_t first_write_ms_ = 0;
  int64_t last_write_ms_ = 0;
  std::atomic<bool> failed_{false};
};

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> args;
  for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
  const auto number = [&](const char* name, long long def) {
    return args.count(name) ? std::atoll(args[name].c_str()) : def;
  };
  if (!args.count("--out")) {
    std::fprintf(stderr, "usage: qr-media-record --out BASE [--seconds S] [--mode M] [--width W] [--height H] "
                         "[--fps F] [--screen ID | --window ID] [--camera ID] [--file-size-limit BYTES] "
                         "[--audio 0|1]\n");
    return 2;
  }
  if (args.count("--file-size-limit")) {
    // The writes past the limit fail with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = static_cast<rlim_t>(number("--file-size-limit", 0));
    const rlimit both{limit, limit};
    setrlimit(RLIMIT_FSIZE, &both);
  }
  const std::string base = args["--out"];
  RecorderConfig config;
  config.width = static_cast<int32_t>(number("--width", 1280));
  config.height = static_cast<int32_t>(number("--height", 720));
  config.fps = static_cast<int32_t>(number("--fps", 30));
  const auto mode = static_cast<int32_t>(number("--mode", kRecordModeScreen));

  FfmpegMediaEngine engine;
  Observer observer(config.fps);
  engine.AddVideoStreamListener(&observer);
  engine.AddExceptionListener(&observer);
  if (args.count("--window")) {
    engine.GetVideoCapture()->AddVideoSource(
        {VideoSourceKind::kWindow, "", static_cast<uint64_t>(std::strtoull(args["--window"].c_str(), nullptr, 0))});
  } else {
    engine.GetVideoCapture()->AddVideoSource({VideoSourceKind::kScreen, args["--screen"], 0});
  }
  engine.GetVideoCapture()->AddVideoSource({VideoSourceKind::kCamera, args["--camera"], 0});
  engine.GetAudioCapture()->AddAudioSource({AudioSourceKind::kMicrophone, ""});
  engine.GetAudioCapture()->AddAudioSource({AudioSourceKind::kLoopback, kLoopbackDeviceId});
  if (mode != kRecordModeCamera) engine.GetVideoCapture()->BeginScreenCapture();

  IFileRecorder* recorder = engine.GetFileRecorder();
  const int64_t before = base::clock::SteadyMs();
  MediaData data;
  data.audio = number("--audio", 1) != 0;
  int32_t result = recorder->EnableRecording(true, data, {base + kVideoStreamExtension, base + kAudioStreamExtension},
                                             config, false, mode);
  const int64_t started = base::clock::SteadyMs();
  std::printf("started %lld\n", static_cast<long long>(started));
  std::fflush(stdout);
  if (result == kOk) {
    const int64_t end = before + static_cast<int64_t>(number("--seconds", 3)) * 1000;
    bool cover_saved = false;
    while (base::clock::SteadyMs() < end && !observer.failed()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!cover_saved && base::clock::SteadyMs() - started >= 1500) {
        cover_saved = recorder->SaveCover(nullptr, base + kCoverExtension, nullptr) == kOk;
      }
    }
    const int64_t recorded_ms = recorder->RecordedUs() / 1000;
    recorder->EnableRecording(false, {}, {}, config, true, kRecordModeNone);
    result = recorder->Finalize();
    observer.Print(before, recorded_ms, result);
  }
  engine.RemoveVideoStreamListener(&observer);
  engine.RemoveExceptionListener(&observer);
  return result == kOk || observer.failed() ? 0 : 1;
}
