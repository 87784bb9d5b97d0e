// Screen capture of the host media engine next to `ffmpeg -f x11grab`, on the same Xvfb display,
// one after the other, in four scenes: a blank screen; a still screen (a page of text) with a
// clock ticking once a second in a corner; the pointer moving over the page; a test pattern
// played full screen by ffplay (busy).
// For each: ffmpeg and the engine video only, the engine with audio (the test microphone and
// system sound), and, given --before, an older qr-media-record video only, for a before/after
// comparison in the same run.
// Prints CPU seconds, peak RSS, frames written, frames late by 100 % (two frame intervals or more
// after the previous frame), the first frame's delay after the start, and the ratios; with more
// than one run, also the median CPU ratio of the runs.
//
//   media_capture_bench [--seconds 10] [--fps 30] [--width 1920] [--height 1080] [--runs 1]
//                       [--scenes blank,clock,pointer,busy] [--before PATH_OF_AN_OLDER_qr-media-record]

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "x_test_window.h"
#include "xvfb_display.h"

namespace {

struct Options {
  int seconds = 10;
  int fps = 30;
  int width = 1920;
  int height = 1080;
  int runs = 1;
  std::string scenes = "blank,clock,pointer,busy";
  std::string before;  // an older qr-media-record, measured too when given
};

struct Figures {
  double cpu_seconds = 0;
  double peak_rss_mb = 0;
  long frames = 0;
  long late = 0;
  long first_frame_ms = -1;
  double output_mb = 0;
  int exit_status = -1;
};

pid_t Spawn(const std::vector<std::string>& args, const std::string& display, bool quiet) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (quiet) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Runs a command to its end and fills the CPU time, peak RSS and exit status.
void RunMeasured(const std::vector<std::string>& args, const std::string& display, const std::string& stdout_path,
                 Figures* figures) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    const int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_WRONLY);
    dup2(out, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  figures->cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                         usage.ru_stime.tv_usec / 1e6;
  figures->peak_rss_mb = usage.ru_maxrss / 1024.0;
  figures->exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Read(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  while (pipe && fgets(buffer, sizeof(buffer), pipe.get())) text += buffer;
  return text;
}

double FileMb(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_size / 1e6 : 0;
}

Figures RunFfmpeg(const Options& o, const std::string& display, const std::string& dir) {
  Figures f;
  const std::string out = dir + "/ffmpeg.mkv";
  RunMeasured({"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate",
               std::to_string(o.fps), "-video_size", std::to_string(o.width) + "x" + std::to_string(o.height), "-i",
               display, "-t", std::to_string(o.seconds), "-c:v", "libx264", "-preset", "veryfast", "-tune",
               "zerolatency", "-fps_mode", "passthrough", out},
              display, dir + "/ffmpeg.out", &f);
  // x11grab stamps each frame with the time it was grabbed; those times give the gaps.
  std::istringstream times(Read("ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 '" +
                                out + "'"));
  double previous = -1;
  for (std::string line; std::getline(times, line);) {
    const double t = std::atof(line.c_str());
    if (previous >= 0 && t - previous >= 2.0 / o.fps - 1e-4) ++f.late;
    previous = t;
    ++f.frames;
  }
  f.output_mb = FileMb(out);
  return f;
}

Figures RunOurs(const Options& o, const std::string& recorder, bool audio, const std::string& display,
                const std::string& dir) {
  Figures f;
  const std::string base = dir + "/ours";
  RunMeasured({recorder, "--out", base, "--seconds", std::to_string(o.seconds), "--mode", "1", "--width",
               std::to_string(o.width), "--height", std::to_string(o.height), "--fps", std::to_string(o.fps),
               "--audio", audio ? "1" : "0"},
              display, dir + "/ours.out", &f);
  std::istringstream lines(Read("cat '" + dir + "/ours.out'"));
  for (std::string line; std::getline(lines, line);) {
    long long frames = 0, late = 0, first = 0, recorded = 0;
    int result = 0;
    if (std::sscanf(line.c_str(), "stats frames=%lld late100=%lld first_frame_ms=%lld recorded_ms=%lld result=%d",
                    &frames, &late, &first, &recorded, &result) == 5) {
      f.frames = frames;
      f.late = late;
      f.first_frame_ms = first;
    }
  }
  f.output_mb = FileMb(base + ".kovtv");
  Read("rm -f '" + base + "'.kovt*");
  return f;
}

// What is on the display while a scene is measured. Windows are override-redirect, above
// everything; the busy scene is ffplay full screen.
class Scene {
 public:
  Scene(const std::string& name, const Options& o, const std::string& display) : name_(name) {
    if (name == "blank") {
      page_ = Window(o, display, 0, 0, o.width, o.height);
      if (page_) page_->Fill(0x000000);
    } else if (name == "clock") {
      page_ = Window(o, display, 0, 0, o.width, o.height);
      clock_ = Window(o, display, o.width - 260, 20, 240, 80);
      if (page_ && clock_) {
        DrawPage(o);
        ticker_ = std::thread([this] { Tick(); });
      }
    } else if (name == "pointer") {
      page_ = Window(o, display, 0, 0, o.width, o.height);
      if (page_) {
        DrawPage(o);
        ticker_ = std::thread([this, o] { MovePointer(o); });
      }
    } else if (name == "busy") {
      const std::string pattern = "testsrc2=size=" + std::to_string(o.width) + "x" + std::to_string(o.height) +
                                  ":rate=" + std::to_string(o.fps);
      player_ = Spawn({"ffplay", "-hide_banner", "-loglevel", "quiet", "-fs", "-an", "-f", "lavfi", "-i", pattern},
                      display, true);
    }
    std::this_thread::sleep_for(std::chrono::seconds(name == "busy" ? 3 : 1));
  }
  ~Scene() {
    stop_ = true;
    if (ticker_.joinable()) ticker_.join();
    if (player_ > 0) {
      // ffplay's SIGTERM handler exits through its display library and can hang there; it has
      // nothing to save.
      kill(player_, SIGKILL);
      waitpid(player_, nullptr, 0);
    }
  }
  bool ok() const { return name_ == "busy" ? player_ > 0 : page_ && (name_ != "clock" || clock_); }
  static bool Known(const std::string& name) {
    return name == "blank" || name == "clock" || name == "pointer" || name == "busy";
  }
  std::string description(const Options& o) const {
    const char* what = name_ == "blank" ? "a black screen"
                       : name_ == "clock"   ? "a page of text, a clock ticking each second in a corner"
                       : name_ == "pointer" ? "a page of text, the pointer circling over it"
                                            : "ffplay playing testsrc2 full screen";
    return "Xvfb " + std::to_string(o.width) + "x" + std::to_string(o.height) + ", " + what + ", " +
           std::to_string(o.seconds) + " s at " + std::to_string(o.fps) + " fps";
  }

 private:
  static std::unique_ptr<quickrec::testing::XTestWindow> Window(const Options&, const std::string& display, int x,
                                                                int y, int width, int height) {
    auto window = std::make_unique<quickrec::testing::XTestWindow>();
    if (!window->Open(display, x, y, width, height, 0)) return nullptr;
    return window;
  }

  // White paper with grey lines of "words" of varying length.
  void DrawPage(const Options& o) {
    page_->Fill(0xFAFAF7);
    std::vector<std::array<int, 4>> words;
    unsigned seed = 7;
    for (int y = 120; y + 14 < o.height - 60; y += 28) {
      for (int x = 160; x < o.width - 400;) {
        seed = seed * 1103515245 + 12345;
        const int length = 20 + static_cast<int>((seed >> 16) % 90);
        words.push_back({x, y, length, 14});
        x += length + 12;
      }
    }
    page_->FillRects(0x505050, words);
  }

  // Seven-segment digits of the time of day, redrawn once a second.
  void Tick() {
    // Segments a..g of a 24x44 digit: {x, y, width, height}.
    static const int kSegments[7][4] = {{4, 0, 16, 4},  {20, 4, 4, 16}, {20, 24, 4, 16}, {4, 40, 16, 4},
                                        {0, 24, 4, 16}, {0, 4, 4, 16},  {4, 20, 16, 4}};
    static const char* kDigits[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg",
                                      "acdfg",  "acdefg", "abc", "abcdefg", "abcdfg"};
    while (!stop_) {
      const std::time_t now = std::time(nullptr);
      char text[16];
      std::strftime(text, sizeof(text), "%H%M%S", std::localtime(&now));
      std::vector<std::array<int, 4>> lit;
      for (int i = 0; i < 6; ++i) {
        const int x0 = 12 + i * 36 + (i / 2) * 4;
        for (const char* segment = kDigits[text[i] - '0']; *segment; ++segment) {
          const int* r = kSegments[*segment - 'a'];
          lit.push_back({x0 + r[0], 18 + r[1], r[2], r[3]});
        }
      }
      clock_->Fill(0x202830);
      clock_->FillRects(0x60F080, lit);
      const auto next = std::chrono::system_clock::from_time_t(now + 1);
      while (!stop_ && std::chrono::system_clock::now() < next) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  }

  // The pointer goes round a circle over the page, 60 moves a second.
  void MovePointer(const Options& o) {
    for (int step = 0; !stop_; ++step) {
      const double angle = step * 0.05;
      page_->WarpPointer(o.width / 2 + static_cast<int>(300 * std::cos(angle)),
                         o.height / 2 + static_cast<int>(200 * std::sin(angle)));
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
  }

  std::string name_;
  std::unique_ptr<quickrec::testing::XTestWindow> page_;
  std::unique_ptr<quickrec::testing::XTestWindow> clock_;
  pid_t player_ = -1;
  std::atomic<bool> stop_{false};
  std::thread ticker_;
};

// One row in the form bench/run collects: name | ours | reference | ratio | note.
void PrintRow(const std::string& scene, int run, const std::string& measure, const std::string& ours,
              const std::string& theirs, const std::string& ratio, const std::string& note) {
  const std::string name = "media " + scene + " " + measure + (run > 1 ? " (run " + std::to_string(run) + ")" : "");
  std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), ours.c_str(), theirs.c_str(), ratio.c_str(),
              note.c_str());
}

void PrintRow(const std::string& scene, int run, const std::string& measure, double ours, double theirs,
              const char* format, const std::string& note) {
  char a[32], b[32], ratio[32] = "-";
  std::snprintf(a, sizeof(a), format, ours);
  std::snprintf(b, sizeof(b), format, theirs);
  if (theirs > 0) std::snprintf(ratio, sizeof(ratio), "%.3f", ours / theirs);
  PrintRow(scene, run, measure, a, b, ratio, note);
}

// The median of the runs' CPU ratios to ffmpeg, with their range: one run is noisy on a shared machine.
void PrintMedianRatio(const std::string& scene, const std::string& measure, std::vector<double> ratios) {
  std::sort(ratios.begin(), ratios.end());
  const size_t n = ratios.size();
  const double median = n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
  char range[64], value[32];
  std::snprintf(range, sizeof(range), "runs range %.3f-%.3f", ratios.front(), ratios.back());
  std::snprintf(value, sizeof(value), "%.3f", median);
  PrintRow(scene, 1, measure + " ratio, median of " + std::to_string(n), "-", "-", value, range);
}

double LatePercent(const Figures& f) { return 100.0 * f.late / std::max(1L, f.frames); }

}  // namespace

int main(int argc, char** argv) {
  // Rows appear as they are measured, also when the output goes to a file.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  std::map<std::string, int*> numbers = {{"--seconds", &o.seconds}, {"--fps", &o.fps}, {"--width", &o.width},
                                         {"--height", &o.height}, {"--runs", &o.runs}};
  std::map<std::string, std::string*> texts = {{"--scenes", &o.scenes}, {"--before", &o.before}};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (numbers.count(argv[i])) {
      *numbers[argv[i]] = std::atoi(argv[i + 1]);
    } else if (texts.count(argv[i])) {
      *texts[argv[i]] = argv[i + 1];
    } else {
      std::fprintf(stderr, "usage: media_capture_bench [--seconds N] [--fps N] [--width N] [--height N] [--runs N] "
                           "[--scenes blank,clock,pointer,busy] [--before QR_MEDIA_RECORD]\n");
      return 2;
    }
  }
  quickrec::testing::XvfbDisplay xvfb;
  if (!xvfb.Start(o.width, o.height)) {
    std::fprintf(stderr, "%s\n", xvfb.error().c_str());
    return 1;
  }
  char dir_template[] = "/tmp/quickrec-bench-XXXXXX";
  const std::string dir = mkdtemp(dir_template);
  const std::string ours = QUICKREC_BIN_DIR "/qr-media-record";
  std::istringstream scene_names(o.scenes);
  for (std::string name; std::getline(scene_names, name, ',');) {
    if (!Scene::Known(name)) {
      std::fprintf(stderr, "unknown scene %s (blank, clock, pointer, busy)\n", name.c_str());
      return 2;
    }
    const Scene scene(name, o, xvfb.name());
    const std::string text = "vs ffmpeg x11grab; " + scene.description(o);
    if (!scene.ok()) {
      PrintRow(name, 1, "scene", "-", "-", "-", "SCENE FAILED; " + text);
      continue;
    }
    std::vector<double> video_ratios, audio_ratios, before_ratios;
    for (int run = 1; run <= o.runs; ++run) {
      // A process measured later in a scene meets other cache and scheduler weather; every other
      // run starts with ours, so that order favours neither side.
      Figures theirs, video;
      if (run % 2) theirs = RunFfmpeg(o, xvfb.name(), dir);
      video = RunOurs(o, ours, false, xvfb.name(), dir);
      if (run % 2 == 0) theirs = RunFfmpeg(o, xvfb.name(), dir);
      const Figures with_audio = RunOurs(o, ours, true, xvfb.name(), dir);
      video_ratios.push_back(video.cpu_seconds / theirs.cpu_seconds);
      audio_ratios.push_back(with_audio.cpu_seconds / theirs.cpu_seconds);
      const bool ran = theirs.exit_status == 0 && video.exit_status == 0 && with_audio.exit_status == 0;
      const std::string note = ran ? text : "A PROCESS FAILED; " + text;
      PrintRow(name, run, "CPU s video", video.cpu_seconds, theirs.cpu_seconds, "%.2f", note);
      PrintRow(name, run, "CPU s with audio", with_audio.cpu_seconds, theirs.cpu_seconds, "%.2f",
               "ours with audio; " + note);
      if (!o.before.empty()) {
        const Figures before = RunOurs(o, o.before, false, xvfb.name(), dir);
        before_ratios.push_back(before.cpu_seconds / theirs.cpu_seconds);
        PrintRow(name, run, "CPU s video, before", before.cpu_seconds, theirs.cpu_seconds, "%.2f",
                 "the engine before, " + std::string(before.exit_status == 0 ? "" : "FAILED, ") + o.before);
        PrintRow(name, run, "frames late % before", LatePercent(before), LatePercent(theirs), "%.2f",
                 "the engine before");
      }
      PrintRow(name, run, "peak RSS MB", video.peak_rss_mb, theirs.peak_rss_mb, "%.1f", note);
      PrintRow(name, run, "frames written", video.frames, theirs.frames, "%.0f", note);
      PrintRow(name, run, "frames late by 100 %", video.late, theirs.late, "%.0f", note);
      PrintRow(name, run, "late frames %", LatePercent(video), LatePercent(theirs), "%.2f", note);
      PrintRow(name, run, "late frames % with audio", LatePercent(with_audio), LatePercent(theirs), "%.2f",
               "ours with audio; " + note);
      PrintRow(name, run, "first frame written ms", std::to_string(video.first_frame_ms), "-", "-",
               "after enable-recording");
      PrintRow(name, run, "video MB", video.output_mb, theirs.output_mb, "%.2f", note);
    }
    if (o.runs > 1) {
      PrintMedianRatio(name, "CPU video", video_ratios);
      PrintMedianRatio(name, "CPU with audio", audio_ratios);
      if (!before_ratios.empty()) PrintMedianRatio(name, "CPU video, before", before_ratios);
    }
  }
  Read("rm -rf '" + dir + "'");
  return 0;
}
