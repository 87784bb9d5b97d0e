// Screen capture of the host media engine next to `ffmpeg -f x11grab`, on the same Xvfb display
// with the same moving scene (a test pattern played full screen by ffplay), one after the other,
// video only on both sides.
// Prints CPU seconds, peak RSS, frames written, frames late by 100 % (two frame intervals or more
// after the previous frame), the first frame's delay after the start, and the ratios.
//
//   media_capture_bench [--seconds 30] [--fps 30] [--width 1920] [--height 1080] [--runs 1]

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "xvfb_display.h"

namespace {

struct Options {
  int seconds = 30;
  int fps = 30;
  int width = 1920;
  int height = 1080;
  int runs = 1;
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

Figures RunOurs(const Options& o, const std::string& display, const std::string& dir) {
  Figures f;
  const std::string base = dir + "/ours";
  RunMeasured({QUICKREC_BIN_DIR "/qr-media-record", "--out", base, "--seconds", std::to_string(o.seconds), "--mode", "1",
               "--width", std::to_string(o.width), "--height", std::to_string(o.height), "--fps", std::to_string(o.fps),
               "--audio", "0"},
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
  return f;
}

// One row in the form bench/run collects: name | ours | reference | ratio | note.
void PrintRow(int run, const char* measure, const std::string& ours, const std::string& theirs, const std::string& ratio,
              const std::string& note) {
  const std::string name = "media capture " + std::string(measure) + " (run " + std::to_string(run) + ")";
  std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), ours.c_str(), theirs.c_str(), ratio.c_str(),
              note.c_str());
}

void PrintRow(int run, const char* measure, double ours, double theirs, const char* format, const std::string& note) {
  char a[32], b[32], ratio[32] = "-";
  std::snprintf(a, sizeof(a), format, ours);
  std::snprintf(b, sizeof(b), format, theirs);
  if (theirs > 0) std::snprintf(ratio, sizeof(ratio), "%.3f", ours / theirs);
  PrintRow(run, measure, a, b, ratio, note);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::map<std::string, int*> flags = {{"--seconds", &o.seconds}, {"--fps", &o.fps}, {"--width", &o.width},
                                       {"--height", &o.height}, {"--runs", &o.runs}};
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!flags.count(argv[i])) {
      std::fprintf(stderr, "usage: media_capture_bench [--seconds N] [--fps N] [--width N] [--height N] [--runs N]\n");
      return 2;
    }
    *flags[argv[i]] = std::atoi(argv[i + 1]);
  }
  quickrec::testing::XvfbDisplay xvfb;
  if (!xvfb.Start(o.width, o.height)) {
    std::fprintf(stderr, "%s\n", xvfb.error().c_str());
    return 1;
  }
  char dir_template[] = "/tmp/quickrec-bench-XXXXXX";
  const std::string dir = mkdtemp(dir_template);
  const std::string pattern = "testsrc2=size=" + std::to_string(o.width) + "x" + std::to_string(o.height) +
                              ":rate=" + std::to_string(o.fps);
  const pid_t scene = Spawn({"ffplay", "-hide_banner", "-loglevel", "quiet", "-fs", "-an", "-f", "lavfi", "-i", pattern},
                            xvfb.name(), true);
  std::this_thread::sleep_for(std::chrono::seconds(3));

  char scene_text[160];
  std::snprintf(scene_text, sizeof(scene_text), "reference: ffmpeg x11grab; Xvfb %dx%d playing testsrc2, %d s at %d fps",
                o.width, o.height, o.seconds, o.fps);
  for (int run = 1; run <= o.runs; ++run) {
    const Figures theirs = RunFfmpeg(o, xvfb.name(), dir);
    const Figures ours = RunOurs(o, xvfb.name(), dir);
    const std::string note =
        ours.exit_status == 0 && theirs.exit_status == 0 ? scene_text : "A PROCESS FAILED; " + std::string(scene_text);
    PrintRow(run, "CPU seconds", ours.cpu_seconds, theirs.cpu_seconds, "%.2f", note);
    PrintRow(run, "peak RSS MB", ours.peak_rss_mb, theirs.peak_rss_mb, "%.1f", note);
    PrintRow(run, "frames written", ours.frames, theirs.frames, "%.0f", note);
    PrintRow(run, "frames late by 100 %", ours.late, theirs.late, "%.0f", note);
    PrintRow(run, "late frames %", 100.0 * ours.late / std::max(1L, ours.frames),
             100.0 * theirs.late / std::max(1L, theirs.frames), "%.2f", note);
    PrintRow(run, "first frame written ms", std::to_string(ours.first_frame_ms), "-", "-", "after enable-recording");
    PrintRow(run, "video MB", ours.output_mb, theirs.output_mb, "%.2f", note);
  }
  kill(scene, SIGTERM);
  waitpid(scene, nullptr, 0);
  Read("rm -rf '" + dir + "'");
  return 0;
}
